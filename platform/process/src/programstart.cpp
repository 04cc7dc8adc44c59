#include "programstart.h"

#include <csignal>
#include <spawn.h>
#include <sys/types.h>
#include <unistd.h>

extern char **environ;

namespace processes {

namespace {

// Owns the spawn attributes and file actions for one start.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        posix_spawnattr_init(&m_attributes);
        posix_spawn_file_actions_init(&m_actions);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

} // namespace

int startProgram(const std::string &program, const std::vector<std::string> &arguments)
{
    SpawnSetup setup;
    // Signals the installer ignores or blocks must not reach the program it starts.
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    int error = posix_spawnattr_setsigdefault(&setup.m_attributes, &all);
    if (error == 0)
        error = posix_spawnattr_setsigmask(&setup.m_attributes, &none);
    // The program outlives its starter: in a session of its own, a hang-up or an interrupt meant
    // for the starter's terminal job does not end it halfway.
    if (error == 0)
        error = posix_spawnattr_setflags(&setup.m_attributes, POSIX_SPAWN_SETSIGDEF |
                                                                  POSIX_SPAWN_SETSIGMASK |
                                                                  POSIX_SPAWN_SETSID);
    // Whatever the installer inherited or opened (its log, locks of its starter) stays behind.
    if (error == 0)
        error = posix_spawn_file_actions_addclosefrom_np(&setup.m_actions, 3);
    if (error != 0)
        return error;

    std::vector<char *> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    const bool search = program.find('/') == std::string::npos;
    return search ? posix_spawnp(&child, program.c_str(), &setup.m_actions, &setup.m_attributes,
                                 argv.data(), environ)
                  : posix_spawn(&child, program.c_str(), &setup.m_actions, &setup.m_attributes,
                                argv.data(), environ);
}

} // namespace processes
