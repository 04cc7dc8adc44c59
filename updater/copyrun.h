#pragma once

#include "fileops.h"

#include <chrono>
#include <string>

namespace updater {

class InstallerLog;
class Prompt;

// The folders of one run. `targetDir` ends in a separator; the two update folders are relative to
// it and have none at either end.
struct UpdatePaths
{
    std::string targetDir;
    std::string readyFolder = "updates/ready";
    std::string updatesFolder = "updates";
    // The installer's own path as its command line gave it, and the file it runs from.
    std::string ownPath;
    FileIdentity ownFile;
};

// How long a file that cannot be written is tried before the user is asked.
struct RetryPolicy
{
    int tries = 30;
    std::chrono::milliseconds pause{100};
};

// What the copy run works with besides its paths.
struct CopyRunServices
{
    InstallerLog &log;
    Prompt &prompt;
    FileOps &files;
    RetryPolicy retry;
};

// Installs the unpacked update of paths.readyFolder over paths.targetDir. The whole tree is first
// staged beside its destinations and only then put in place, so that a failure or a Cancel leaves
// the program folder as it was. Returns true on success or when there is nothing to install.
bool runUpdate(const UpdatePaths &paths, CopyRunServices &services);

// Removes the ready folder with everything in it and the download folder when it is empty.
void clearUpdateFolder(const UpdatePaths &paths, CopyRunServices &services);

} // namespace updater
