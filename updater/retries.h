#pragma once

#include "runservices.h"

#include <functional>
#include <string>

namespace updater {

// Runs `attempt` (0 or an error number) with the retry policy; when it keeps failing, logs why
// and asks the user, and Retry starts a fresh round of tries, each announced in the log by
// `roundLine` when there is one. Returns false on Cancel.
bool withRetries(const std::string &destination, CopyRunServices &services,
                 const std::string &roundLine, const std::function<int()> &attempt);

} // namespace updater
