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

FileIdentity identityOf(const std::string &path);

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
    // Puts the staged file in place in one step (replacing what was there).
    virtual int commitFile(const std::string &temporary, const std::string &destination);
    virtual int removeFile(const std::string &path);
    // Removes a folder with everything in it; links inside are removed, not followed.
    virtual int removeTree(const std::string &folder);
    // Removes a folder only when it is empty.
    virtual int removeEmptyFolder(const std::string &folder);
};

// The name under which a file is staged in its destination's folder: a hidden name ending in
// kStagingSuffix that a later run reuses, so that a killed run leaves nothing a new one trips over.
std::string stagingName(const std::string &destination);
inline constexpr const char kStagingSuffix[] = ".~upd";

} // namespace updater
