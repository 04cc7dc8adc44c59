#pragma once

class QUrl;

// The tests that decide which addresses the client trusts.

// An address of a web site: http or https, with a host.
bool isWebAddress(const QUrl &url);

// Whether url lies on the origin (scheme, host, port) of serverBaseUrl: the classroom server,
// the one party that the saved login, the bridges and the update archive belong to.
bool isServerOrigin(const QUrl &url);
