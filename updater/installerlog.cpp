#include "installerlog.h"

#include "errorbox.h"
#include "utf16text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace updater {

std::string logFileName(const std::tm &local, int run)
{
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_upd.txt", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    if (run > 1) {
        std::string numbered = name;
        numbered.insert(numbered.size() - 8, "_" + std::to_string(run));
        return numbered;
    }
    return name;
}

void InstallerLog::open(const std::string &folder, std::time_t now)
{
    if (isOpen())
        return;
    const std::string logs = folder + "Logs";
    if (mkdir(logs.c_str(), 0755) != 0 && errno != EEXIST)
        return;
    std::tm local{};
    localtime_r(&now, &local);
    // A file of the same second is replaced, unless a run still writes to it: each run holds a
    // lock on its log, and a second run of that second takes the next free name instead.
    for (int run = 1;; ++run) {
        const std::string file = logs + "/" + logFileName(local, run);
        // Close-on-exec: the programs the installer starts must not hold its log open.
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int error = errno;
            showErrorBox(nullptr, m_prompt, "Failed to create log file", error);
            return;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK && run < kMaxRunsPerSecond) {
            ::close(fd);
            continue;
        }
        struct stat info
        {
        };
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) {
            const int error = errno;
            ::close(fd);
            showErrorBox(nullptr, m_prompt, "Failed to create log file", error);
            return;
        }
        m_fd = fd;
        m_fileName = file;
        return;
    }
}

void InstallerLog::write(const std::string &line)
{
    if (!isOpen())
        return;
    const std::string bytes = utf8ToUtf16Le(line + "\r\n");
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // The box cannot go into the log that just failed.
            close();
            showErrorBox(nullptr, m_prompt, "Failed to write log entry '" + line + "'", error);
            return;
        }
        done += static_cast<size_t>(n);
    }
}

void InstallerLog::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace updater
