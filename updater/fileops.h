#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace updater {

// What a folder entry is, as found without following links.
enum class EntryKind
{
    Folder,
    RegularFile,
    Link,
    Other
};

struct DirEntry
{
    std::string name;
    EntryKind kind;
};

struct Listing
{
    int openError = 0; // the folder could not be listed at all
    int readError = 0; // the listing broke off part way
    std::vector<DirEntry> entries;
};

// Device and inode: the same file whatever path or link leads to it.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool valid = false;
};

// Of the file a path leads to (links followed), and of the entry itself (a link is not followed).
FileIdentity identityOf(const std::string &path);
FileIdentity entryIdentityOf(const std::string &path);

// Every file-system change the copy run makes goes through here, so that tests can make chosen
// calls fail. Each call returns 0 or an error number.
class FileOps
{
public:
    virtual ~FileOps() = default;

    // Lists a folder's entries, sorted by name, without "." and "..".
    virtual Listing listFolder(const std::string &folder);
    // Creates one level of folder.
    virtual int makeFolder(const std::string &folder);
    // Whether `path` is a folder, following links.
    virtual bool isFolder(const std::string &path);
    // Copies `source` into a new file `temporary` beside `destination`, with the source's
    // modification time and the permission bits of `destination` when that exists, else the
    // source's. Nothing is written to `destination` itself.
    virtual int stageFile(const std::string &source, const std::string &temporary,
                          const std::string &destination);
    // Creates the link `temporary` beside `destination`, leading to `target`.
    virtual int stageLink(const std::string &target, const std::string &temporary,
                          const std::string &destination);
    // The target of a link.
    virtual int readLink(const std::string &path, std::string &target);
    // Puts a staged entry in place in one step: when `destination` exists (a file or a link, never
    // a folder), the two names are exchanged, so that the old entry is kept under `staged`; else
    // `staged` is renamed to `destination`.
    virtual int putInPlace(const std::string &staged, const std::string &destination);
    // The reverse: exchanges the two names back when `staged` holds the old entry, else renames
    // `destination` back to `staged`.
    virtual int takeOutOfPlace(const std::string &staged, const std::string &destination);
    // Creates or truncates a file and writes `content` into it.
    virtual int writeFile(const std::string &path, const std::string &content);
    // Renames, replacing what `to` was.
    virtual int renameFile(const std::string &from, const std::string &to);
    // Writes out everything of the file system that `path` lies on.
    virtual int syncFileSystem(const std::string &path);
    // Writes out a folder's entries.
    virtual int syncFolder(const std::string &folder);
    virtual int removeFile(const std::string &path);
    // Removes a folder with everything in it; links inside are removed, not followed.
    virtual int removeTree(const std::string &folder);
    // Removes a folder only when it is empty.
    virtual int removeEmptyFolder(const std::string &folder);
};

} // namespace updater
