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

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

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

pid_t findProcessByName(const std::string &fileName, const std::string &preferredFolder)
{
    std::unique_ptr<DIR, int (*)(DIR *)> proc(opendir("/proc"), closedir);
    if (!proc)
        return 0;
    const uid_t self = geteuid();
    const pid_t own = getpid();
    const std::string preferred = canonicalFolder(preferredFolder);

    std::vector<pid_t> pids;
    while (const dirent *entry = readdir(proc.get())) {
        pid_t pid = 0;
        if (parsePid(entry->d_name, pid) && pid != own)
            pids.push_back(pid);
    }
    std::sort(pids.begin(), pids.end());

    pid_t first = 0;
    for (const pid_t pid : pids) {
        struct stat info
        {
        };
        const std::string dir = "/proc/" + std::to_string(pid);
        if (stat(dir.c_str(), &info) != 0 || info.st_uid != self)
            continue;
        const std::string exe = processExecutable(pid);
        const auto slash = exe.rfind('/');
        if (slash == std::string::npos || exe.compare(slash + 1, std::string::npos, fileName) != 0)
            continue;
        if (preferred.empty() || folderOf(exe) == preferred)
            return pid;
        if (first == 0)
            first = pid;
    }
    return first;
}

} // namespace processes
