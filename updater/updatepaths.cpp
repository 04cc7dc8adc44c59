#include "updatepaths.h"

#include <updatefolders.h>

#include <cstring>

namespace updater {

UpdatePaths::UpdatePaths()
    : readyFolder(updatefolders::kReady), updatesFolder(updatefolders::kUpdates)
{
}

std::string UpdatePaths::journalPath() const
{
    // The journal's name within the download folder, whatever prefix the mode puts before it.
    const char *name = updatefolders::kJournal + std::strlen(updatefolders::kUpdates) + 1;
    return updatesPath() + "/" + name;
}

} // namespace updater
