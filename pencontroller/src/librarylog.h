#pragma once

#include <string>

namespace scrivlo {

// One line on standard error, for what the library gives up on that no result or callback can
// tell its caller.
void logLine(const std::string &text);

} // namespace scrivlo
