#include "fixtures.h"
#include "tempdir.h"

#include <processterminate.h>
#include <programnames.h>
#include <programstart.h>
#include <updatelock.h>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;
using updatertest::readStandinRecords;
using updatertest::waitFor;
using Lines = std::vector<std::string>;

namespace {

TEST(InstallerRun, TerminatesInstallsClearsAndStartsTheClientAgain)
{
    testsupport::ProgramFolder folder;
    const fs::path updater = folder.copyFromBuild(programnames::kUpdater);
    const fs::path client = updatertest::installStandin(folder.path(), programnames::kClient);
    const std::string link = "davadazeda://start/?classurl=x&id=7";

    // The unpacked update: a new client (the stand-in with a mark appended) and a nested file.
    const std::string newClient = readFile(client) + "\nnew version";
    const fs::path ready = folder / "updates" / "ready";
    writeFile(ready / programnames::kClient, newClient);
    fs::permissions(ready / programnames::kClient, fs::perms(0644)); // installed one keeps 0755
    writeFile(ready / "web" / "page.html", "<p>new</p>");
    writeFile(folder / "web" / "page.html", "<p>old</p>");

    ASSERT_EQ(processes::startProgram(client.string(), {link}), 0);
    ASSERT_TRUE(waitFor([&] { return readStandinRecords(folder.path()).size() == 1; }));
    const int running = readStandinRecords(folder.path())[0].pid;

    const int status = updatertest::runProgram(updater.string(), {link});
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // The running client was ended before the copy; our child, so reap it to see how it ended.
    int clientStatus = 0;
    ASSERT_EQ(waitpid(running, &clientStatus, WNOHANG), running);
    EXPECT_TRUE(WIFSIGNALED(clientStatus) && WTERMSIG(clientStatus) == SIGKILL);

    EXPECT_EQ(readFile(client), newClient);
    EXPECT_EQ(fs::status(client).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    EXPECT_EQ(readFile(folder / "web" / "page.html"), "<p>new</p>");
    EXPECT_FALSE(fs::exists(folder / "updates"));

    ASSERT_TRUE(waitFor([&] { return readStandinRecords(folder.path()).size() == 2; }));
    const auto restarted = readStandinRecords(folder.path())[1];
    EXPECT_EQ(restarted.args, (Lines{folder.path().string() + "/" + programnames::kClient, link}));
    EXPECT_EQ(restarted.values.at("sigpipe"), "default");
    EXPECT_EQ(restarted.values.at("sighup"), "default");
    EXPECT_EQ(restarted.values.at("fds"), "0,1,2");
    processes::terminateProcess(restarted.pid);

    const Lines lines = updatertest::readLogLines(updatertest::onlyLogFile(folder.path()));
    ASSERT_GE(lines.size(), 4u);
    const std::string dir = folder.path().string() + "/";
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
              (Lines{"Updaters started..", "Exe name is: " + updater.string(), "Exe dir is: " + dir,
                     "Update to: " + dir}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Update succeed! Clearing folder.."),
              lines.end());
    EXPECT_EQ(lines.back(), "Executed Aulark, closing log and quiting..");
}

TEST(InstallerRun, EndsWithZeroWhateverHappens)
{
    const struct
    {
        const char *label;
        const char *installedAs;
        Lines arguments;
        Lines lastLines;
    } cases[] = {
        {"no arguments",
         programnames::kUpdater,
         {},
         {"Error: No command line arguments!", "Executed QuorvelClient failed..",
          "Executed QuorvelClient, closing log and quiting.."}},
        {"a name that only ends like the installer's",
         "MyUpdater",
         {"-update"},
         {"Error: bad exe name!", "Executed Quorvel failed..",
          "Executed Quorvel, closing log and quiting.."}},
        {"options: nothing to start",
         programnames::kUpdater,
         {"-update", "-debug"},
         {"Update started..", "Executed Quorvel failed..",
          "Executed Quorvel, closing log and quiting.."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::ProgramFolder folder;
        const fs::path updater = folder / c.installedAs;
        fs::copy_file(testsupport::buildProgramDir() / programnames::kUpdater, updater);
        const int status = updatertest::runProgram(updater.string(), c.arguments);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const Lines lines = updatertest::readLogLines(updatertest::onlyLogFile(folder.path()));
        ASSERT_GE(lines.size(), c.lastLines.size());
        EXPECT_EQ(Lines(lines.end() - c.lastLines.size(), lines.end()), c.lastLines);
    }
}

TEST(InstallerRun, AProgramOfTheClientsNameElsewhereSurvives)
{
    testsupport::TempDir elsewhere;
    const fs::path other = updatertest::installStandin(elsewhere.path(), programnames::kClient);
    ASSERT_EQ(processes::startProgram(other.string(), {}), 0);
    ASSERT_TRUE(waitFor([&] { return readStandinRecords(elsewhere.path()).size() == 1; }));
    const int running = readStandinRecords(elsewhere.path())[0].pid;

    // The client of the folder being updated has ended already, as after its hand-over.
    testsupport::ProgramFolder folder;
    const fs::path updater = folder.copyFromBuild(programnames::kUpdater);
    writeFile(folder / "updates" / "ready" / "web" / "page.html", "<p>new</p>");
    const int status = updatertest::runProgram(updater.string(), {"davadazeda://start/?a=1"});
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(readFile(folder / "web" / "page.html"), "<p>new</p>");

    EXPECT_EQ(waitpid(running, nullptr, WNOHANG), 0) << "the other program was ended";
    EXPECT_TRUE(processes::terminateProcess(running));
    waitpid(running, nullptr, 0);
}

// A tree of `count` files under tupdates/ready, each file's content naming its version.
void writeTree(const fs::path &folder, int count, const std::string &version)
{
    for (int i = 0; i < count; ++i)
        writeFile(folder / ("d" + std::to_string(i % 10)) / ("f" + std::to_string(i)),
                  version + " " + std::to_string(i));
}

bool holdsOnly(const fs::path &folder, int count, const std::string &version)
{
    for (int i = 0; i < count; ++i) {
        const fs::path file = folder / ("d" + std::to_string(i % 10)) / ("f" + std::to_string(i));
        if (readFile(file) != version + " " + std::to_string(i))
            return false;
    }
    return true;
}

TEST(InstallerRun, TwoStartedTogetherEachLogTheirOwnRunAndInstallEverything)
{
    constexpr int kCount = 2000;
    testsupport::ProgramFolder folder;
    const fs::path updater = folder.copyFromBuild(programnames::kUpdater);
    writeTree(folder.path(), kCount, "old");
    writeTree(folder / "tupdates" / "ready", kCount, "new");

    const std::string program = updater.string();
    char update[] = "-update";
    char *argv[] = {const_cast<char *>(program.c_str()), update, nullptr};
    pid_t pids[2] = {};
    for (pid_t &pid : pids)
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    for (const pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    EXPECT_TRUE(holdsOnly(folder.path(), kCount, "new"));
    EXPECT_FALSE(fs::exists(folder / "tupdates"));
    std::vector<Lines> logs;
    for (const auto &entry : fs::directory_iterator(folder / "Logs"))
        logs.push_back(updatertest::readLogLines(entry.path()));
    ASSERT_EQ(logs.size(), 2u);
    int installed = 0;
    for (const Lines &lines : logs) {
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "Updaters started..");
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Updaters started.."), 1);
        const std::string &last = lines.back();
        EXPECT_TRUE(last == "Executed Quorvel, closing log and quiting.." ||
                    last == "Error: another installer is updating '" + folder.path().string() +
                                "/', quitting..")
            << last;
        installed += std::count(lines.begin(), lines.end(), "Update succeed! Clearing folder..");
    }
    EXPECT_EQ(installed, 1);
}

TEST(InstallerRun, SecondInstallerGivesUpWhileTheFirstKeepsTheFolder)
{
    testsupport::ProgramFolder folder;
    const fs::path updater = folder.copyFromBuild(programnames::kUpdater);
    writeTree(folder.path(), 10, "old");
    writeTree(folder / "tupdates" / "ready", 10, "new");
    updater::UpdateLock first;
    ASSERT_EQ(first.acquire((folder / "tupdates").string(), std::chrono::milliseconds(0)),
              updater::UpdateLock::Result::Held);

    const int status = updatertest::runProgram(updater.string(), {"-update"});
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(holdsOnly(folder.path(), 10, "old"));
    EXPECT_TRUE(holdsOnly(folder / "tupdates" / "ready", 10, "new"));
    EXPECT_EQ(updatertest::readLogLines(updatertest::onlyLogFile(folder.path())),
              (Lines{"Updaters started..", "Error: another installer is updating '" +
                                               folder.path().string() + "/', quitting.."}));
}

} // namespace
