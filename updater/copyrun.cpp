#include "copyrun.h"

#include "errorbox.h"
#include "installerlog.h"
#include "prompt.h"

#include <programnames.h>

#include <cerrno>
#include <deque>
#include <strings.h>
#include <thread>
#include <vector>

namespace updater {

namespace {

struct FileToCopy
{
    std::string source;
    std::string destination;
    std::string staged;
    bool isStaged = false;
};

bool equalsIgnoreCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// Runs `attempt` with the retry policy; when it keeps failing, asks the user, and Retry starts a
// fresh round of tries, each announced in the log by `roundLine` when there is one. Returns false
// on Cancel.
template <typename Attempt>
bool withRetries(const std::string &destination, CopyRunServices &services,
                 const std::string &roundLine, Attempt attempt)
{
    for (;;) {
        if (!roundLine.empty())
            services.log.write(roundLine);
        for (int i = 0; i < services.retry.tries; ++i) {
            if (attempt() == 0)
                return true;
            std::this_thread::sleep_for(services.retry.pause);
        }
        services.log.write("Error: failed to copy, asking to retry..");
        const std::string text =
            "Failed to update quorvel :(\n" + destination + " is not accessible.";
        if (services.prompt.retryCancel(kBoxTitle, text) != Prompt::Answer::Retry)
            return false;
    }
}

void removeStaged(std::vector<FileToCopy> &files, CopyRunServices &services)
{
    for (FileToCopy &file : files) {
        if (file.isStaged)
            services.files.removeFile(file.staged);
        file.isStaged = false;
    }
}

// Any folder under the ready folder: the part of it after the ready folder and its separator.
std::string relativePart(const std::string &path, const std::string &root)
{
    return path.substr(root.size() + 1);
}

} // namespace

void clearUpdateFolder(const UpdatePaths &paths, CopyRunServices &services)
{
    const std::string ready = paths.targetDir + paths.readyFolder;
    const std::string updates = paths.targetDir + paths.updatesFolder;
    services.log.write("Fully clearing path '" + ready + "'..");
    if (services.files.removeTree(ready) != 0)
        services.log.write("Error: failed to clear path! :(");
    services.files.removeEmptyFolder(updates);
}

bool runUpdate(const UpdatePaths &paths, CopyRunServices &services)
{
    InstallerLog &log = services.log;
    FileOps &files = services.files;
    const std::string root = paths.targetDir + paths.readyFolder;
    log.write("Update started..");

    std::deque<std::string> dirsToParse{root};
    std::vector<std::string> dirsToCreate;
    std::vector<FileToCopy> toCopy;

    while (!dirsToParse.empty()) {
        const std::string cur = dirsToParse.front();
        dirsToParse.pop_front();
        if (cur.size() > root.size() + 1) {
            const std::string d = paths.targetDir + relativePart(cur, root) + "/";
            dirsToCreate.push_back(d);
            log.write("Parsing dir '" + d + "' in update tree..");
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
        for (const DirEntry &entry : listing.entries) {
            const std::string path = cur + "/" + entry.name;
            if (entry.kind == EntryKind::Folder) {
                dirsToParse.push_back(path);
                log.write("Added dir '" + path + "' in update tree..");
                continue;
            }
            if (entry.kind != EntryKind::RegularFile) {
                // Links are not followed out of the tree (nor round in it), and pipes, sockets
                // and devices have no content to install.
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
            toCopy.push_back({path, dst, stagingName(dst)});
            log.write("Added file '" + path + "' to be copied to '" + dst + "'");
        }
        if (listing.readError != 0) {
            log.write("Error: failed to find next update file :(");
            showErrorBox(&log, services.prompt, "Failed to find next update file",
                         listing.readError);
            clearUpdateFolder(paths, services);
            return false;
        }
    }

    for (const std::string &dir : dirsToCreate) {
        log.write("Forcing dir '" + dir + "'..");
        const int error = files.makeFolder(dir);
        if (error == 0)
            continue;
        if (error == EEXIST && files.isFolder(dir)) {
            log.write("Already exists!");
            continue;
        }
        // A file in the folder's place would make every file under it fail later; stop before
        // any file is touched.
        log.write("Error: failed to create dir '" + dir + "'..");
        showErrorBox(&log, services.prompt, "Failed to create directory", error);
        clearUpdateFolder(paths, services);
        return false;
    }

    // Stage every file beside its destination; the program folder itself is not touched yet.
    for (FileToCopy &file : toCopy) {
        const std::string copyLine =
            "Copying file '" + file.source + "' to '" + file.destination + "'..";
        const bool staged = withRetries(file.destination, services, copyLine, [&] {
            return files.stageFile(file.source, file.staged, file.destination);
        });
        if (!staged) {
            removeStaged(toCopy, services);
            clearUpdateFolder(paths, services);
            return false;
        }
        file.isStaged = true;
    }

    // Put them in place. A rename within one folder does not fail for a busy file; should one fail
    // anyway, the ready folder is kept so that running the installer again completes the update.
    for (FileToCopy &file : toCopy) {
        const bool committed = withRetries(file.destination, services, std::string(), [&] {
            return files.commitFile(file.staged, file.destination);
        });
        if (!committed) {
            removeStaged(toCopy, services);
            log.write("Error: update not completed, keeping '" + root + "' for the next run..");
            return false;
        }
        file.isStaged = false;
    }

    log.write("Update succeed! Clearing folder..");
    clearUpdateFolder(paths, services);
    return true;
}

} // namespace updater
