#include "fileops.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace updater {

namespace {

// A descriptor closed on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the error a delayed write may only show here.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

int copyContent(int from, int to, off_t size)
{
    // In-kernel copy first (it may share blocks); plain reads and writes where it is refused.
    off_t left = size;
    while (left > 0) {
        const ssize_t n = copy_file_range(from, nullptr, to, nullptr, static_cast<size_t>(left), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0; // the source got shorter; what was there is copied
        left -= n;
    }
    if (left == 0)
        return 0;
    if (lseek(from, size - left, SEEK_SET) < 0 || lseek(to, size - left, SEEK_SET) < 0)
        return errno;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(to, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return errno;
            done += w;
        }
    }
}

EntryKind kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISREG(mode))
        return EntryKind::RegularFile;
    if (S_ISLNK(mode))
        return EntryKind::Link;
    return EntryKind::Other;
}

} // namespace

FileIdentity identityOf(const std::string &path)
{
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, true};
}

FileIdentity entryIdentityOf(const std::string &path)
{
    struct stat info
    {
    };
    if (lstat(path.c_str(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, true};
}

Listing FileOps::listFolder(const std::string &folder)
{
    Listing listing;
    std::unique_ptr<DIR, int (*)(DIR *)> dir(opendir(folder.c_str()), closedir);
    if (!dir) {
        listing.openError = errno;
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir.get());
        if (!entry) {
            listing.readError = errno;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        EntryKind kind = EntryKind::Other;
        if (entry->d_type == DT_DIR)
            kind = EntryKind::Folder;
        else if (entry->d_type == DT_REG)
            kind = EntryKind::RegularFile;
        else if (entry->d_type == DT_LNK)
            kind = EntryKind::Link;
        else if (entry->d_type == DT_UNKNOWN) {
            struct stat info
            {
            };
            if (fstatat(dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
                kind = kindOf(info.st_mode);
        }
        listing.entries.push_back({name, kind});
    }
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const DirEntry &a, const DirEntry &b) { return a.name < b.name; });
    return listing;
}

int FileOps::makeFolder(const std::string &folder)
{
    return mkdir(folder.c_str(), 0755) == 0 ? 0 : errno;
}

bool FileOps::isFolder(const std::string &path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int FileOps::stageFile(const std::string &source, const std::string &temporary,
                       const std::string &destination)
{
    Descriptor from(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (from.get() < 0)
        return errno;
    struct stat sourceInfo
    {
    };
    if (fstat(from.get(), &sourceInfo) != 0)
        return errno;
    if (!S_ISREG(sourceInfo.st_mode))
        return EINVAL;

    mode_t mode = sourceInfo.st_mode & 07777;
    struct stat destinationInfo
    {
    };
    if (stat(destination.c_str(), &destinationInfo) == 0) {
        if (S_ISDIR(destinationInfo.st_mode))
            return EISDIR;
        mode = destinationInfo.st_mode & 07777;
    }

    // A staged file of an earlier, killed run under the same name is replaced by a fresh one.
    if (unlink(temporary.c_str()) != 0 && errno != ENOENT)
        return errno;
    // The ready folder lies in the program folder and is cleared once the update is in place, so
    // its file can simply become the new one: a second name for it costs no copy. It is still
    // whole and in place before the swap, and the ready tree stays intact for a second run. Where
    // the file system refuses the link (another device, no hard links), the data is copied.
    if (::link(source.c_str(), temporary.c_str()) == 0) {
        if (fchmod(from.get(), mode) == 0)
            return 0;
        const int error = errno;
        unlink(temporary.c_str());
        return error;
    }
    Descriptor to(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (to.get() < 0)
        return errno;
    int error = copyContent(from.get(), to.get(), sourceInfo.st_size);
    if (error == 0 && fchmod(to.get(), mode) != 0)
        error = errno;
    if (error == 0) {
        const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
        if (futimens(to.get(), times) != 0)
            error = errno;
    }
    if (error == 0)
        error = to.close();
    if (error != 0)
        unlink(temporary.c_str());
    return error;
}

int FileOps::stageLink(const std::string &target, const std::string &temporary,
                       const std::string &destination)
{
    struct stat destinationInfo
    {
    };
    if (lstat(destination.c_str(), &destinationInfo) == 0 && S_ISDIR(destinationInfo.st_mode))
        return EISDIR;
    if (unlink(temporary.c_str()) != 0 && errno != ENOENT)
        return errno;
    return symlink(target.c_str(), temporary.c_str()) == 0 ? 0 : errno;
}

int FileOps::readLink(const std::string &path, std::string &target)
{
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0)
        return errno;
    if (static_cast<size_t>(length) >= buffer.size())
        return ENAMETOOLONG;
    target.assign(buffer.data(), static_cast<size_t>(length));
    return 0;
}

int FileOps::putInPlace(const std::string &staged, const std::string &destination)
{
    // An exchange rather than a rename over the destination: it is just as atomic, and the old
    // entry stays whole under the staged name until every other entry is in place too.
    struct stat info
    {
    };
    if (lstat(destination.c_str(), &info) != 0) {
        if (errno != ENOENT)
            return errno;
        return renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, destination.c_str(),
                         RENAME_NOREPLACE) == 0
                   ? 0
                   : errno;
    }
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    return renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, destination.c_str(), RENAME_EXCHANGE) == 0
               ? 0
               : errno;
}

int FileOps::takeOutOfPlace(const std::string &staged, const std::string &destination)
{
    struct stat info
    {
    };
    if (lstat(staged.c_str(), &info) == 0)
        return renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, destination.c_str(),
                         RENAME_EXCHANGE) == 0
                   ? 0
                   : errno;
    if (errno != ENOENT)
        return errno;
    return renameat2(AT_FDCWD, destination.c_str(), AT_FDCWD, staged.c_str(), RENAME_NOREPLACE) == 0
               ? 0
               : errno;
}

int FileOps::writeFile(const std::string &path, const std::string &content)
{
    Descriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.get() < 0)
        return errno;
    for (size_t done = 0; done < content.size();) {
        const ssize_t n = write(file.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += static_cast<size_t>(n);
    }
    return file.close();
}

int FileOps::renameFile(const std::string &from, const std::string &to)
{
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int FileOps::syncFileSystem(const std::string &path)
{
    Descriptor any(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (any.get() < 0)
        return errno;
    return syncfs(any.get()) == 0 ? 0 : errno;
}

int FileOps::syncFolder(const std::string &folder)
{
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errno;
    return fsync(dir.get()) == 0 ? 0 : errno;
}

int FileOps::removeFile(const std::string &path)
{
    return unlink(path.c_str()) == 0 ? 0 : errno;
}

int FileOps::removeTree(const std::string &folder)
{
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return ec.value();
}

int FileOps::removeEmptyFolder(const std::string &folder)
{
    return rmdir(folder.c_str()) == 0 ? 0 : errno;
}

} // namespace updater
