#pragma once

#include <string>
#include <sys/types.h>

namespace processes {

// The executable of a running process as the kernel names it, without the " (deleted)" mark that
// follows an executable replaced while it runs; empty when it cannot be read.
std::string processExecutable(pid_t pid);

// The file `fileName` in `folder` as a running process's executable would name it (the folder
// with its links resolved); empty when the folder cannot be resolved.
std::string executableInFolder(const std::string &fileName, const std::string &folder);

// Whether `pid` is a process of the calling user whose executable is `executable`.
bool runsExecutable(pid_t pid, const std::string &executable);

// The first process (lowest id) of the calling user whose executable is the file `fileName`, with
// case, in `folder`; 0 when there is none. A program of the same name elsewhere is never
// returned, nor the calling process itself.
pid_t findProcessInFolder(const std::string &fileName, const std::string &folder);

} // namespace processes
