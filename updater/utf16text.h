#pragma once

#include <string>

namespace updater {

// UTF-16 little-endian bytes of a UTF-8 text. Bytes that are no valid UTF-8 (file names on this
// system are arbitrary bytes) each become U+FFFD, so that a line is never dropped for its name.
std::string utf8ToUtf16Le(const std::string &text);

} // namespace updater
