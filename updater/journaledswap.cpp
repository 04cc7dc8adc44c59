#include "journaledswap.h"

#include "copyrun.h"
#include "installerlog.h"
#include "retries.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace updater {

namespace {

std::string errorText(int error)
{
    char buffer[256];
    return "error code: " + std::to_string(error) + ", " + strerror_r(error, buffer, sizeof buffer);
}

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Every folder whose entries the run changes: the program folder, the download folder and the
// folder of each entry.
std::vector<std::string> touchedFolders(const Journal &journal, const UpdatePaths &paths)
{
    std::set<std::string> folders{paths.targetDir, paths.updatesPath()};
    for (const JournalEntry &entry : journal.entries)
        folders.insert(folderOf(paths.targetDir + entry.destination));
    return {folders.begin(), folders.end()};
}

std::string temporaryJournal(const UpdatePaths &paths)
{
    return paths.journalPath() + ".tmp";
}

} // namespace

EntryState entryState(const JournalEntry &entry, const UpdatePaths &paths)
{
    const FileIdentity destination = entryIdentityOf(paths.targetDir + entry.destination);
    if (destination.valid && destination.inode == entry.newInode)
        return EntryState::InPlace;
    const FileIdentity staged = entryIdentityOf(paths.targetDir + entry.staged);
    const bool oldInPlace = entry.hadOld ? destination.valid && destination.inode == entry.oldInode
                                         : !destination.valid;
    return staged.valid && staged.inode == entry.newInode && oldInPlace ? EntryState::Staged
                                                                        : EntryState::Neither;
}

int syncFileSystems(const std::vector<std::string> &folders, FileOps &files)
{
    std::set<dev_t> done;
    for (const std::string &folder : folders) {
        const FileIdentity identity = identityOf(folder);
        if (!identity.valid || !done.insert(identity.device).second)
            continue;
        if (const int error = files.syncFileSystem(folder))
            return error;
    }
    return 0;
}

int writeStagingJournal(const Journal &journal, const UpdatePaths &paths, FileOps &files)
{
    // Under another name first: whoever looks finds the journal whole, or the one before it.
    const std::string temporary = temporaryJournal(paths);
    int error = files.writeFile(temporary, formatJournal(journal));
    if (error == 0)
        error = files.renameFile(temporary, paths.journalPath());
    return error;
}

int writeSwappingJournal(const Journal &journal, const UpdatePaths &paths, FileOps &files)
{
    // Written under another name first and made durable with the staged entries by one sync of
    // the file system, then given its name: a journal under its name is always whole, and no
    // entry is put in place before the name itself is on disk.
    const std::string temporary = temporaryJournal(paths);
    int error = files.writeFile(temporary, formatJournal(journal));
    if (error == 0)
        error = syncFileSystems(touchedFolders(journal, paths), files);
    if (error == 0)
        error = files.renameFile(temporary, paths.journalPath());
    if (error == 0)
        error = files.syncFolder(paths.updatesPath());
    if (error != 0) {
        files.removeFile(temporary);
        files.removeFile(paths.journalPath());
    }
    return error;
}

SwapOutcome completeJournaledRun(const Journal &journal, const UpdatePaths &paths,
                                 CopyRunServices &services)
{
    InstallerLog &log = services.log;
    FileOps &files = services.files;
    log.write("Putting " + std::to_string(journal.entries.size()) + " files in place..");
    for (const JournalEntry &entry : journal.entries) {
        const std::string destination = paths.targetDir + entry.destination;
        const EntryState state = entryState(entry, paths);
        if (state == EntryState::InPlace)
            continue;
        const bool placed =
            state == EntryState::Staged && withRetries(destination, services, std::string(), [&] {
                return files.putInPlace(paths.targetDir + entry.staged, destination);
            });
        if (!placed) {
            log.write("Error: failed to put '" + destination + "' in place, rolling back..");
            return rollBackJournaledRun(journal, paths, services);
        }
    }

    const std::vector<std::string> folders = touchedFolders(journal, paths);
    if (const int error = syncFileSystems(folders, files)) {
        log.write("Error: failed to write out the installed files, " + errorText(error) +
                  ", the journal stays for the next run..");
        return SwapOutcome::Stuck;
    }
    log.write("Update succeed! Clearing folder..");
    for (const JournalEntry &entry : journal.entries) {
        const std::string staged = paths.targetDir + entry.staged;
        const FileIdentity old = entryIdentityOf(staged);
        if (entry.hadOld && old.valid && old.inode == entry.oldInode) {
            if (const int error = files.removeFile(staged))
                log.write("Error: failed to remove the old file '" + staged + "', " +
                          errorText(error));
        }
    }
    // The old entries go for good before their record does, which goes with the update tree.
    syncFileSystems(folders, files);
    clearUpdateFolder(paths, services);
    return SwapOutcome::Installed;
}

SwapOutcome rollBackJournaledRun(const Journal &journal, const UpdatePaths &paths,
                                 CopyRunServices &services)
{
    InstallerLog &log = services.log;
    FileOps &files = services.files;
    log.write("Rolling back the update..");
    bool whole = true;
    for (auto it = journal.entries.rbegin(); it != journal.entries.rend(); ++it) {
        if (entryState(*it, paths) != EntryState::InPlace)
            continue;
        const std::string destination = paths.targetDir + it->destination;
        const std::string staged = paths.targetDir + it->staged;
        const FileIdentity old = entryIdentityOf(staged);
        int error = 0;
        if (it->hadOld ? !old.valid || old.inode != it->oldInode : old.valid)
            error = ESTALE; // the old entry is not where the journal keeps it
        else
            error = files.takeOutOfPlace(staged, destination);
        if (error != 0) {
            log.write("Error: failed to put the old '" + destination + "' back, " +
                      errorText(error));
            whole = false;
        }
    }
    const int error = syncFileSystems(touchedFolders(journal, paths), files);
    if (!whole || error != 0) {
        if (error != 0)
            log.write("Error: failed to write out the old files, " + errorText(error));
        log.write("Error: update not rolled back completely, the journal stays for the next run..");
        return SwapOutcome::Stuck;
    }
    for (const JournalEntry &entry : journal.entries) {
        const std::string staged = paths.targetDir + entry.staged;
        const FileIdentity identity = entryIdentityOf(staged);
        if (identity.valid && identity.inode == entry.newInode)
            files.removeFile(staged);
    }
    for (auto it = journal.createdFolders.rbegin(); it != journal.createdFolders.rend(); ++it)
        files.removeEmptyFolder(paths.targetDir + *it);
    files.removeFile(paths.journalPath());
    log.write("Error: update rolled back, keeping '" + paths.readyPath() + "' for the next run..");
    return SwapOutcome::RolledBack;
}

} // namespace updater
