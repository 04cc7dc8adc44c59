#include "fixtures.h"
#include "tempdir.h"

#include <processterminate.h>
#include <programnames.h>
#include <programstart.h>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

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

} // namespace
