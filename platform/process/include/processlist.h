#pragma once

#include <string>
#include <sys/types.h>

namespace processes {

// The executable of a running process as the kernel names it, without the " (deleted)" mark that
// follows an executable replaced while it runs; empty when it cannot be read.
std::string processExecutable(pid_t pid);

// The first process of the calling user whose executable's file name (without folder) equals
// `fileName` exactly, with case; 0 when there is none. Processes whose executable lies in
// `preferredFolder` (when given) come before all others, so that the copy in the folder being
// updated is found before a program of the same name installed elsewhere. The calling process
// itself is never returned.
pid_t findProcessByName(const std::string &fileName, const std::string &preferredFolder = {});

} // namespace processes
