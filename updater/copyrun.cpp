#include "copyrun.h"

#include "errorbox.h"
#include "installerlog.h"
#include "journaledswap.h"
#include "prompt.h"
#include "retries.h"
#include "stagingname.h"

#include <programnames.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <strings.h>
#include <vector>

namespace updater {

namespace {

struct FileToCopy
{
    std::string source;
    std::string destination;
    std::string staged;
    bool isLink = false;
    std::string linkTarget;
    bool isStaged = false;
};

bool equalsIgnoreCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// A link that cannot lead out of the folder it is installed in, whatever that folder is: relative
// and without a ".." step.
bool staysInTree(const std::string &target)
{
    if (target.empty() || target[0] == '/')
        return false;
    size_t start = 0;
    for (;;) {
        const size_t end = target.find('/', start);
        if (target.compare(start, end == std::string::npos ? end : end - start, "..") == 0)
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

// Any folder under the ready folder: the part of it after the ready folder and its separator.
std::string relativePart(const std::string &path, const std::string &root)
{
    return path.substr(root.size() + 1);
}

// What this run staged and created goes again, so that a Cancel leaves the folder as it was.
void undoStaging(std::vector<FileToCopy> &files, const std::vector<std::string> &createdFolders,
                 CopyRunServices &services)
{
    for (FileToCopy &file : files) {
        if (file.isStaged)
            services.files.removeFile(file.staged);
        file.isStaged = false;
    }
    for (auto it = createdFolders.rbegin(); it != createdFolders.rend(); ++it)
        services.files.removeEmptyFolder(*it);
}

// The client program, and the program the installer starts afterwards, go in last: whoever finds
// the new client finds a complete install.
int swapRank(const FileToCopy &file, const UpdatePaths &paths)
{
    if (file.destination == paths.targetDir + programnames::kClient)
        return 2;
    if (!paths.handOverProgram.empty() &&
        file.destination == paths.targetDir + paths.handOverProgram)
        return 1;
    return 0;
}

} // namespace

void clearUpdateFolder(const UpdatePaths &paths, CopyRunServices &services)
{
    const std::string ready = paths.readyPath();
    services.log.write("Fully clearing path '" + ready + "'..");
    if (services.files.removeTree(ready) != 0)
        services.log.write("Error: failed to clear path! :(");
    // Last, so that a run killed while it clears is found and finished.
    services.files.removeFile(paths.journalPath());
    services.files.removeEmptyFolder(paths.updatesPath());
}

bool runUpdate(const UpdatePaths &paths, CopyRunServices &services)
{
    InstallerLog &log = services.log;
    FileOps &files = services.files;
    const std::string root = paths.readyPath();
    log.write("Update started..");

    std::deque<std::string> dirsToParse{root};
    std::vector<std::string> dirsToCreate;
    std::vector<FileToCopy> toCopy;
    Journal journal;

    while (!dirsToParse.empty()) {
        const std::string cur = dirsToParse.front();
        dirsToParse.pop_front();
        std::string destinationFolder = paths.targetDir;
        if (cur.size() > root.size() + 1) {
            destinationFolder += relativePart(cur, root) + "/";
            dirsToCreate.push_back(destinationFolder);
            log.write("Parsing dir '" + destinationFolder + "' in update tree..");
        }
        const Listing listing = files.listFolder(cur);
        if (listing.openError == ENOENT || listing.openError == ENOTDIR)
            return true; // no update tree: the normal way out, nothing to log or clear
        if (listing.openError != 0) {
            log.write("Error: failed to find update files :(");
            showErrorBox(&log, services.prompt, "Failed to find update files", listing.openError);
            clearUpdateFolder(paths, services);
            return false;
        }
        // From here on the run is on record, so that a start of the client while it runs, or
        // after it was killed, hands over to the installer instead.
        if (cur == root)
            writeStagingJournal(journal, paths, files);
        const size_t firstOfFolder = toCopy.size();
        for (const DirEntry &entry : listing.entries) {
            const std::string path = cur + "/" + entry.name;
            if (looksStaged(entry.name)) {
                // It would take the place of another file's staged copy.
                log.write("Error: bad update, has a staging name! '" + path + "'");
                clearUpdateFolder(paths, services);
                return false;
            }
            if (entry.kind == EntryKind::Folder) {
                dirsToParse.push_back(path);
                log.write("Added dir '" + path + "' in update tree..");
                continue;
            }
            std::string linkTarget;
            const bool isLink = entry.kind == EntryKind::Link &&
                                files.readLink(path, linkTarget) == 0 && staysInTree(linkTarget);
            if (entry.kind != EntryKind::RegularFile && !isLink) {
                // Links that may leave the tree are not followed, nor installed, and pipes,
                // sockets and devices have no content to install.
                log.write("Skipped '" + path + "', not a regular file or folder..");
                continue;
            }
            const std::string dst = paths.targetDir + relativePart(path, root);
            // By name as given, and by identity: a link or another spelling may lead to the
            // running installer's file as well.
            const FileIdentity target = identityOf(dst);
            const bool isOwnFile = paths.ownFile.valid && target.valid &&
                                   target.device == paths.ownFile.device &&
                                   target.inode == paths.ownFile.inode;
            if (equalsIgnoreCase(dst, paths.ownPath) || isOwnFile) {
                log.write(std::string("Error: bad update, has ") + programnames::kUpdater + "! '" +
                          dst + "' equal '" + paths.ownPath + "'");
                clearUpdateFolder(paths, services);
                return false;
            }
            toCopy.push_back({path, dst, std::string(), isLink, linkTarget});
            log.write("Added file '" + path + "' to be copied to '" + dst + "'");
        }
        std::vector<std::string> names;
        for (size_t i = firstOfFolder; i < toCopy.size(); ++i)
            names.push_back(toCopy[i].destination.substr(destinationFolder.size()));
        const std::vector<std::string> staged = stagingNames(names);
        for (size_t i = firstOfFolder; i < toCopy.size(); ++i)
            toCopy[i].staged = destinationFolder + staged[i - firstOfFolder];
        if (listing.readError != 0) {
            log.write("Error: failed to find next update file :(");
            showErrorBox(&log, services.prompt, "Failed to find next update file",
                         listing.readError);
            clearUpdateFolder(paths, services);
            return false;
        }
    }

    std::vector<std::string> createdFolders;
    for (const std::string &dir : dirsToCreate) {
        log.write("Forcing dir '" + dir + "'..");
        const int error = files.makeFolder(dir);
        if (error == 0) {
            createdFolders.push_back(dir);
            continue;
        }
        if (error == EEXIST && files.isFolder(dir)) {
            log.write("Already exists!");
            continue;
        }
        // A file in the folder's place would make every file under it fail later; stop before
        // any file is touched.
        log.write("Error: failed to create dir '" + dir + "'..");
        showErrorBox(&log, services.prompt, "Failed to create directory", error);
        undoStaging(toCopy, createdFolders, services);
        clearUpdateFolder(paths, services);
        return false;
    }

    // Files are staged in the order found and swapped in the journal's order. The journal now
    // names what a killed run may have created and staged, with nothing yet in place.
    std::vector<size_t> swapOrder(toCopy.size());
    for (size_t i = 0; i < swapOrder.size(); ++i)
        swapOrder[i] = i;
    std::stable_sort(swapOrder.begin(), swapOrder.end(), [&](size_t a, size_t b) {
        return swapRank(toCopy[a], paths) < swapRank(toCopy[b], paths);
    });
    const size_t base = paths.targetDir.size();
    for (const size_t i : swapOrder)
        journal.entries.push_back(
            {toCopy[i].destination.substr(base), toCopy[i].staged.substr(base)});
    for (const std::string &dir : createdFolders)
        journal.createdFolders.push_back(dir.substr(base));
    writeStagingJournal(journal, paths, files);

    // Stage every file beside its destination; the program folder itself is not touched yet.
    for (FileToCopy &file : toCopy) {
        const std::string copyLine =
            "Copying file '" + file.source + "' to '" + file.destination + "'..";
        const bool staged = withRetries(file.destination, services, copyLine, [&] {
            return file.isLink ? files.stageLink(file.linkTarget, file.staged, file.destination)
                               : files.stageFile(file.source, file.staged, file.destination);
        });
        if (!staged) {
            undoStaging(toCopy, createdFolders, services);
            clearUpdateFolder(paths, services);
            return false;
        }
        file.isStaged = true;
    }
    if (toCopy.empty()) {
        log.write("Update succeed! Clearing folder..");
        clearUpdateFolder(paths, services);
        return true;
    }

    journal.staging = false;
    for (JournalEntry &entry : journal.entries) {
        const FileIdentity staged = entryIdentityOf(paths.targetDir + entry.staged);
        const FileIdentity old = entryIdentityOf(paths.targetDir + entry.destination);
        entry.newInode = staged.inode;
        entry.hadOld = old.valid;
        entry.oldInode = old.inode;
    }
    if (const int error = writeSwappingJournal(journal, paths, files)) {
        log.write("Error: failed to write the journal '" + paths.journalPath() +
                  "', error code: " + std::to_string(error));
        undoStaging(toCopy, createdFolders, services);
        files.removeFile(paths.journalPath());
        log.write("Error: update not completed, keeping '" + root + "' for the next run..");
        return false;
    }
    return completeJournaledRun(journal, paths, services) == SwapOutcome::Installed;
}

} // namespace updater
