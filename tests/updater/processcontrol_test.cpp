#include "fixtures.h"
#include "tempdir.h"

#include <processlist.h>
#include <processterminate.h>
#include <programstart.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::TempDir;
using updatertest::readStandinRecords;
using updatertest::waitFor;

namespace {

// A name no other process on the machine carries.
std::string uniqueName()
{
    return "standin" + std::to_string(getpid());
}

// Starts the stand-in installed in `folder` and waits for its record; returns its pid.
int startStandin(const fs::path &program, const std::vector<std::string> &arguments = {})
{
    const size_t known = readStandinRecords(program.parent_path()).size();
    if (processes::startProgram(program.string(), arguments) != 0)
        return 0;
    if (!waitFor([&] { return readStandinRecords(program.parent_path()).size() > known; }))
        return 0;
    return readStandinRecords(program.parent_path()).back().pid;
}

bool reapedByKill(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(ProcessControl, FindsAndEndsOnlyTheProgramOfTheGivenFolder)
{
    TempDir one, two, empty;
    const std::string name = uniqueName();
    const fs::path first = updatertest::installStandin(one.path(), name);
    const fs::path second = updatertest::installStandin(two.path(), name);
    const int a = startStandin(first);
    const int b = startStandin(second);
    const int a2 = startStandin(first);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    ASSERT_GT(a2, 0);

    EXPECT_EQ(processes::findProcessInFolder(name, one.path().string()), std::min(a, a2));
    EXPECT_EQ(processes::findProcessInFolder(name, one.path().string() + "/"), std::min(a, a2));
    EXPECT_EQ(processes::findProcessInFolder(name, two.path().string()), b);
    EXPECT_EQ(processes::findProcessInFolder(name, empty.path().string()), 0);
    EXPECT_EQ(processes::findProcessInFolder(name, "/nonexistent"), 0);
    EXPECT_EQ(processes::findProcessInFolder(name, ""), 0);
    std::string upper = name;
    upper[0] = 'S';
    EXPECT_EQ(processes::findProcessInFolder(upper, one.path().string()), 0); // the case counts
    EXPECT_EQ(processes::findProcessInFolder(name.substr(1), one.path().string()), 0);

    // Nothing of that name runs in the folder: the programs elsewhere run on.
    processes::killProcessInFolder(name, empty.path().string());
    EXPECT_EQ(kill(a, 0), 0);
    EXPECT_EQ(kill(b, 0), 0);
    // Only the first found in the folder is ended.
    processes::killProcessInFolder(name, one.path().string());
    const pid_t ended = std::min(a, a2);
    EXPECT_TRUE(reapedByKill(ended));
    EXPECT_EQ(kill(ended == a ? a2 : a, 0), 0);
    EXPECT_EQ(kill(b, 0), 0);
    for (const pid_t pid : {ended == a ? a2 : a, b}) {
        EXPECT_TRUE(processes::terminateProcess(pid));
        EXPECT_TRUE(reapedByKill(pid));
    }
    EXPECT_EQ(processes::findProcessInFolder(name, one.path().string()), 0);
    processes::killProcessInFolder(name, one.path().string()); // none running: nothing happens
}

TEST(ProcessControl, TerminationWaitsUntilTheProcessIsGone)
{
    TempDir folder;
    const int pid = startStandin(updatertest::installStandin(folder.path(), uniqueName()));
    ASSERT_GT(pid, 0);
    // Our own child stays a zombie until we reap it, yet it holds nothing any more.
    EXPECT_TRUE(processes::terminateProcess(pid));
    char state = 0;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    state = line.empty() ? 'X' : line[line.rfind(')') + 2];
    EXPECT_TRUE(state == 'Z' || state == 'X');
    EXPECT_TRUE(reapedByKill(pid));
}

TEST(ProcessControl, ProcessesOfAnotherUserAreLeftAlone)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start a process as another user";
    TempDir folder;
    fs::permissions(folder.path(), fs::perms(0777));
    const std::string name = uniqueName();
    const fs::path program = updatertest::installStandin(folder.path(), name);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) == 0 && setuid(65534) == 0)
            execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    ASSERT_TRUE(waitFor([&] { return !readStandinRecords(folder.path()).empty(); }));
    EXPECT_EQ(processes::findProcessInFolder(name, folder.path().string()), 0);
    processes::killProcessInFolder(name, folder.path().string());
    EXPECT_EQ(kill(child, 0), 0);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

TEST(ProcessControl, StartedProgramInheritsNeitherDescriptorsNorSignalSettings)
{
    TempDir folder;
    const fs::path program = updatertest::installStandin(folder.path(), uniqueName());
    // What the installer carries while it works: ignored signals, and descriptors it inherited
    // without close-on-exec.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigprocmask(SIG_BLOCK, &usr1, nullptr);
    const int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);

    const int pid = startStandin(program, {"davadazeda://start/?a=1", "-x"});
    ASSERT_GT(pid, 0);
    const auto record = readStandinRecords(folder.path()).back();
    EXPECT_EQ(record.args,
              (std::vector<std::string>{program.string(), "davadazeda://start/?a=1", "-x"}));
    EXPECT_EQ(record.values.at("sigpipe"), "default");
    EXPECT_EQ(record.values.at("sighup"), "default");
    EXPECT_EQ(record.values.at("blocked"), "0");
    EXPECT_EQ(record.values.at("fds"), "0,1,2");
    // Out of the starter's terminal job: a hang-up or interrupt for it does not end the program.
    EXPECT_EQ(record.values.at("session"), "own");
    close(leaked);
    processes::terminateProcess(pid);
    reapedByKill(pid);
}

TEST(ProcessControl, FailedStartIsReported)
{
    TempDir folder;
    EXPECT_EQ(processes::startProgram((folder / "missing").string(), {}), ENOENT);
    EXPECT_NE(processes::startProgram("aulark-no-such-program-anywhere", {}), 0);
    updater::FileOps().makeFolder((folder / "notaprogram").string());
    EXPECT_NE(processes::startProgram((folder / "notaprogram").string(), {}), 0);
}

} // namespace
