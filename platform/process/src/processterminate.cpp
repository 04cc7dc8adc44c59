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

} // namespace

bool terminateProcess(pid_t pid, std::chrono::milliseconds wait)
{
    if (pid <= 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // A process descriptor pins the process: the signal cannot reach another one that got the
    // same id in the meantime, and it becomes readable when the process has ended.
    const int pidfd = openPidFd(pid);
    if (pidfd >= 0) {
        bool gone = false;
#ifdef SYS_pidfd_send_signal
        if (syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) != 0 && errno == ESRCH)
            gone = true;
#else
        kill(pid, SIGKILL);
#endif
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
        close(pidfd);
        return gone || processGone(pid);
    }
    if (kill(pid, SIGKILL) != 0)
        return errno == ESRCH;
    while (!processGone(pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void killProcessByName(const std::string &fileName, const std::string &preferredFolder)
{
    const pid_t pid = findProcessByName(fileName, preferredFolder);
    if (pid != 0)
        terminateProcess(pid);
}

} // namespace processes
