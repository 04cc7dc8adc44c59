#include "updatelock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace updater {

namespace {

// Whether the descriptor still is the file under `path`: a holder removes the file as it lets
// go, and a lock on the removed file keeps nobody out.
bool isStillNamed(int fd, const std::string &path)
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

UpdateLock::Result UpdateLock::acquire(const std::string &updatesFolder,
                                       std::chrono::milliseconds wait)
{
    m_folder = updatesFolder;
    m_file = updatesFolder + "/" + kLockFileName;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (mkdir(m_folder.c_str(), 0755) != 0 && errno != EEXIST)
            return Result::Unavailable;
        const int fd = ::open(m_file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != ENOENT)
            return Result::Unavailable;
        if (fd >= 0) {
            const int locked = flock(fd, LOCK_EX | LOCK_NB);
            const int error = errno;
            // A file system without locks: go on unguarded rather than not at all.
            if ((locked == 0 && isStillNamed(fd, m_file)) ||
                (locked != 0 && error != EWOULDBLOCK)) {
                m_fd = fd;
                return Result::Held;
            }
            ::close(fd);
            if (locked == 0)
                continue; // the holder has just let go: the file to lock is a new one
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Result::HeldByAnother;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

UpdateLock::~UpdateLock()
{
    if (m_fd < 0)
        return;
    if (isStillNamed(m_fd, m_file))
        unlink(m_file.c_str());
    // The download folder goes with its last file, as after a cleared update.
    rmdir(m_folder.c_str());
    ::close(m_fd);
}

} // namespace updater
