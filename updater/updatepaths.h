#pragma once

#include "fileops.h"

#include <string>

namespace updater {

// The folders of one run. `targetDir` ends in a separator; the two update folders are relative to
// it and have none at either end.
struct UpdatePaths
{
    std::string targetDir;
    std::string readyFolder;
    std::string updatesFolder;
    // The installer's own path as its command line gave it, and the file it runs from.
    std::string ownPath;
    FileIdentity ownFile;
    // The program the installer starts once the update is in place (a file name in targetDir).
    std::string handOverProgram;

    UpdatePaths();
    std::string readyPath() const { return targetDir + readyFolder; }
    std::string updatesPath() const { return targetDir + updatesFolder; }
    // The record of an install under way, kept in the download folder.
    std::string journalPath() const;
};

} // namespace updater
