#include "processterminate.h"

#include "processlist.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace processes {

namespace {

// A process that has ended but waits for its parent to reap it holds no files any more.
bool processGone(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size())
        return true;
    const char state = line[close + 2];
    return state == 'Z' || state == 'X' || state == 'x';
}

int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

bool hasEnded(int pidfd)
{
    pollfd item{pidfd, POLLIN, 0};
    return poll(&item, 1, 0) > 0;
}

int sendKill(int pidfd, pid_t pid)
{
#ifdef SYS_pidfd_send_signal
    (void)pid;
    return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0));
#else
    (void)pidfd;
    return kill(pid, SIGKILL);
#endif
}

// Kills the process behind `pidfd` and waits until the deadline for it to be gone.
bool killPinned(int pidfd, pid_t pid, std::chrono::steady_clock::time_point deadline)
{
    bool gone = sendKill(pidfd, pid) != 0 && errno == ESRCH;
    while (!gone) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd item{pidfd, POLLIN, 0};
        const int ready = poll(&item, 1, static_cast<int>(left.count()));
        if (ready > 0)
            gone = true;
        else if (ready < 0 && errno != EINTR)
            break;
    }
    return gone || processGone(pid);
}

bool killUnpinned(pid_t pid, std::chrono::steady_clock::time_point deadline)
{
    if (kill(pid, SIGKILL) != 0)
        return errno == ESRCH;
    while (!processGone(pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A process descriptor closed on every way out.
class PidFd
{
public:
    explicit PidFd(pid_t pid) : m_fd(openPidFd(pid)) {}
    ~PidFd()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    PidFd(const PidFd &) = delete;
    PidFd &operator=(const PidFd &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

constexpr std::chrono::seconds kTerminationWait{3};

} // namespace

bool terminateProcess(pid_t pid, std::chrono::milliseconds wait)
{
    if (pid <= 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // A process descriptor pins the process: the signal cannot reach another one that got the
    // same id in the meantime, and it becomes readable when the process has ended.
    const PidFd pidfd(pid);
    return pidfd.get() >= 0 ? killPinned(pidfd.get(), pid, deadline) : killUnpinned(pid, deadline);
}

void killProcessInFolder(const std::string &fileName, const std::string &folder)
{
    const pid_t pid = findProcessInFolder(fileName, folder);
    if (pid == 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + kTerminationWait;
    const PidFd pidfd(pid);
    if (pidfd.get() < 0) {
        if (runsExecutable(pid, executableInFolder(fileName, folder)))
            killUnpinned(pid, deadline);
        return;
    }
    // The id may have passed to another program between the listing and the pinning. Checked
    // after pinning, with the process still alive after the check, the id is still the pinned
    // process's, so the check was about it.
    if (!runsExecutable(pid, executableInFolder(fileName, folder)) || hasEnded(pidfd.get()))
        return;
    killPinned(pidfd.get(), pid, deadline);
}

} // namespace processes
