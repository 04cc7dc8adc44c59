// Stands in for a program that the installer terminates and starts again. Each start appends one
// record to "started.txt" beside the executable: its pid, its arguments, what it inherited
// (signal dispositions, blocked signals, open descriptors). Then it waits to be terminated, and
// ends on its own after a minute so that nothing outlives a failed test for long.
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string disposition(int signal)
{
    struct sigaction action
    {
    };
    sigaction(signal, nullptr, &action);
    if (action.sa_handler == SIG_IGN)
        return "ignored";
    if (action.sa_handler == SIG_DFL)
        return "default";
    return "handled";
}

std::string openDescriptors()
{
    std::string list;
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return "?";
    const int own = dirfd(dir);
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
            continue;
        list += std::string(list.empty() ? "" : ",") + entry->d_name;
    }
    closedir(dir);
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    char exe[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string folder(exe, length > 0 ? static_cast<size_t>(length) : 0);
    folder = folder.substr(0, folder.rfind('/') + 1);

    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    int blockedCount = 0;
    for (int s = 1; s < NSIG; ++s)
        blockedCount += sigismember(&blocked, s) == 1;

    std::string record = "pid=" + std::to_string(getpid()) + "\n";
    for (int i = 0; i < argc; ++i)
        record += "arg=" + std::string(argv[i]) + "\n";
    record += "sigpipe=" + disposition(SIGPIPE) + "\n";
    record += "sighup=" + disposition(SIGHUP) + "\n";
    record += "blocked=" + std::to_string(blockedCount) + "\n";
    record += std::string("session=") + (getsid(0) == getpid() ? "own" : "starter's") + "\n";
    record += "fds=" + openDescriptors() + "\nend\n";

    const std::string file = folder + "started.txt";
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        (void)!write(fd, record.data(), record.size());
        close(fd);
    }
    for (int i = 0; i < 600; ++i)
        usleep(100 * 1000);
    return 0;
}
