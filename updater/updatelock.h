#pragma once

#include <chrono>
#include <string>

namespace updater {

// Keeps a second installer out of an update under way: an exclusive lock on a file in the
// download folder, held from acquire() until destruction. The kernel drops it with a killed
// installer.
class UpdateLock
{
public:
    UpdateLock() = default;
    ~UpdateLock();
    UpdateLock(const UpdateLock &) = delete;
    UpdateLock &operator=(const UpdateLock &) = delete;

    enum class Result
    {
        Held,
        HeldByAnother, // still, when the wait ran out
        Unavailable    // no lock file can be made there (a folder that cannot be written)
    };
    // Takes the lock in `updatesFolder` (created when missing), waiting up to `wait` for another
    // holder to let go.
    Result acquire(const std::string &updatesFolder, std::chrono::milliseconds wait);

private:
    int m_fd = -1;
    std::string m_folder;
    std::string m_file;
};

// The lock file's name within the download folder.
inline constexpr const char kLockFileName[] = "install.lock";

} // namespace updater
