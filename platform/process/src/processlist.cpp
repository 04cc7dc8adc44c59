#include "processlist.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace processes {

namespace {

constexpr const char kDeletedMark[] = " (deleted)";

std::string canonicalFolder(const std::string &folder)
{
    if (folder.empty())
        return {};
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved))
        return {};
    return resolved;
}

bool parsePid(const char *name, pid_t &pid)
{
    if (*name < '1' || *name > '9')
        return false;
    char *end = nullptr;
    const long value = std::strtol(name, &end, 10);
    if (*end != '\0' || value <= 0 || value > INT_MAX)
        return false;
    pid = static_cast<pid_t>(value);
    return true;
}

} // namespace

std::string processExecutable(pid_t pid)
{
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::vector<char> buffer(PATH_MAX + sizeof kDeletedMark);
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
        return {};
    std::string path(buffer.data(), static_cast<size_t>(length));
    const size_t mark = sizeof kDeletedMark - 1;
    if (path.size() > mark && path.compare(path.size() - mark, mark, kDeletedMark) == 0)
        path.resize(path.size() - mark);
    return path;
}

std::string executableInFolder(const std::string &fileName, const std::string &folder)
{
    const std::string resolved = canonicalFolder(folder);
    if (resolved.empty() || fileName.empty())
        return {};
    return resolved == "/" ? "/" + fileName : resolved + "/" + fileName;
}

bool runsExecutable(pid_t pid, const std::string &executable)
{
    struct stat info
    {
    };
    const std::string dir = "/proc/" + std::to_string(pid);
    return !executable.empty() && stat(dir.c_str(), &info) == 0 && info.st_uid == geteuid() &&
           processExecutable(pid) == executable;
}

pid_t findProcessInFolder(const std::string &fileName, const std::string &folder)
{
    const std::string executable = executableInFolder(fileName, folder);
    if (executable.empty())
        return 0;
    std::unique_ptr<DIR, int (*)(DIR *)> proc(opendir("/proc"), closedir);
    if (!proc)
        return 0;
    const pid_t own = getpid();
    std::vector<pid_t> pids;
    while (const dirent *entry = readdir(proc.get())) {
        pid_t pid = 0;
        if (parsePid(entry->d_name, pid) && pid != own)
            pids.push_back(pid);
    }
    std::sort(pids.begin(), pids.end());
    for (const pid_t pid : pids) {
        if (runsExecutable(pid, executable))
            return pid;
    }
    return 0;
}

} // namespace processes
