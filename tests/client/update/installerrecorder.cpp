// Stands in for the installer in a program folder: it records the arguments it was started with
// and the descriptors it inherited, beside itself, and ends. With a file "restart-client" beside
// it, it then becomes the client of the folder, started again with the same arguments, as an
// installer does at its end (three times at most); it counts its runs in "installer-runs" and
// leaves its process id in "installer-pid" for the test to end the client by.
#include "programnames.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string ownFolder()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string exe(path, size_t(length));
    return exe.substr(0, exe.rfind('/'));
}

// Written under a temporary name first, so that a reader never sees half of it.
void writeWhole(const std::string &file, const std::string &content)
{
    const std::string temporary = file + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::rename(temporary.c_str(), file.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    const std::string folder = ownFolder();

    // One line per inherited descriptor: its number and what it refers to.
    std::string fds;
    if (DIR *dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
                continue;
            char target[PATH_MAX] = {};
            const std::string link = std::string("/proc/self/fd/") + entry->d_name;
            const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
            fds += std::string(entry->d_name) + " " +
                   std::string(target, length > 0 ? size_t(length) : 0) + "\n";
        }
        closedir(dir);
    }
    writeWhole(folder + "/installer-fds", fds);

    // Each argument followed by a NUL.
    std::string arguments;
    for (int i = 1; i < argc; ++i)
        arguments += std::string(argv[i]) + '\0';
    writeWhole(folder + "/installer-args", arguments);

    std::ofstream(folder + "/installer-runs", std::ios::app) << "run\n";
    // Never more than a few times: a client that hands over again and again must not outlive the
    // test that shows it.
    std::ifstream runs(folder + "/installer-runs");
    int count = 0;
    for (std::string line; std::getline(runs, line);)
        ++count;
    if (access((folder + "/restart-client").c_str(), F_OK) != 0 || count > 3)
        return 0;
    writeWhole(folder + "/installer-pid", std::to_string(getpid()));
    const std::string client = folder + "/" + programnames::kClient;
    argv[0] = const_cast<char *>(client.c_str());
    execv(client.c_str(), argv);
    return 1;
}
