#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// Gives the test process a home of its own: HOME, the XDG folders and a private runtime folder
// under one temporary root, so that no test sees another's settings, web-engine profile or locks.
// Also sets what the web engine needs to run as root without a display. Call once, before any
// Qt object exists; the root is removed at process exit.
void installTestIsolation();

// The isolated root (empty before installTestIsolation).
std::filesystem::path isolationRoot();

// Environment for a child process started by a test: the same isolation as the test's own.
void setEnv(const std::string &name, const std::string &value);

} // namespace testsupport
