#include "installerlog.h"

#include "errorbox.h"
#include "utf16text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace updater {

std::string logFileName(const std::tm &local)
{
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_upd.txt", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
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
    const std::string file = logs + "/" + logFileName(local);
    // Close-on-exec: the programs the installer starts must not hold its log open.
    m_fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        const int error = errno;
        showErrorBox(nullptr, m_prompt, "Failed to create log file", error);
        return;
    }
    m_fileName = file;
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
