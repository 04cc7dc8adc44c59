#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>

namespace processes {

// Ends the process at once (it gets no chance to run handlers) and waits up to `wait` until it is
// gone, so that the files it held are released. A process that has ended but is not yet reaped by
// its parent counts as gone. Returns true when it is gone within the wait.
bool terminateProcess(pid_t pid, std::chrono::milliseconds wait = std::chrono::seconds(3));

// Terminates the first process found by findProcessInFolder, once it is pinned and found to run
// that executable still; nothing happens when none runs.
void killProcessInFolder(const std::string &fileName, const std::string &folder);

} // namespace processes
