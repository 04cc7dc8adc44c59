#pragma once

class QWebEnginePage;

// Whether a bridge object may act on a call made by page: only while the page shows the
// classroom server's origin. The main view may come to show any site (through a link, a
// redirect or a script), and that site sees the same web channel. A refused call is logged,
// once, with the page's origin; call names it ("LiveObj.Login").
bool bridgeCallAllowed(const QWebEnginePage *page, const char *call);
