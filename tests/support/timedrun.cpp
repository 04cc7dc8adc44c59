#include "timedrun.h"

#include <chrono>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace testsupport {

TimedRun runTimed(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &part : command)
        argv.push_back(const_cast<char *>(part.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        std::abort();
    int status = 0;
    waitpid(pid, &status, 0);
    TimedRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

} // namespace testsupport
