#include "fixtures.h"
#include "lldbrunner.h"
#include "tempdir.h"

#include <programnames.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace fs = std::filesystem;
using testsupport::filesIn;
using testsupport::writeFile;

namespace {

// The installer is made to crash while it retries a file that cannot be staged (a folder stands
// in its place), which keeps it busy for some 3 seconds.
TEST(InstallerCrash, DumpLandsUnderItsNameAndTheProcessEndsByItsSignal)
{
    const fs::path userFolder = fs::path(std::getenv("XDG_DATA_HOME")) / "Quorvel Desktop";
    const struct
    {
        const char *label;
        bool blockProgramFolder;
    } cases[] = {
        {"tdumps beside the installer", false},
        {"the per-user folder when that cannot be made", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::ProgramFolder folder;
        const fs::path updater = folder.copyFromBuild(programnames::kUpdater);
        writeFile(folder / "tupdates" / "ready" / "x", "new");
        fs::create_directories(folder / "x");
        fs::remove_all(userFolder);
        fs::path dumps = folder / "tdumps";
        if (c.blockProgramFolder) {
            writeFile(folder / "tdumps", "a file where the folder would go");
            fs::create_directories(userFolder);
            dumps = userFolder / "tdumps";
        }

        const std::string program = updater.string();
        char update[] = "-update";
        char *argv[] = {const_cast<char *>(program.c_str()), update, nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
        const std::string copying = "Copying file";
        ASSERT_TRUE(updatertest::waitFor([&] {
            const auto logs = filesIn(folder / "Logs");
            if (logs.empty())
                return false;
            for (const std::string &line : updatertest::readLogLines(logs.front()))
                if (line.rfind(copying, 0) == 0)
                    return true;
            return false;
        }));
        kill(pid, SIGSEGV);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV);

        const auto files = filesIn(dumps);
        ASSERT_EQ(files.size(), 1u);
        const std::string id = std::to_string(pid);
        const std::regex name("Updater-0\\.1\\.0-\\d{8}-\\d{6}-" + id + "-" + id + "\\.dmp");
        EXPECT_TRUE(std::regex_match(files[0].filename().string(), name)) << files[0];
        // The log was closed before the dump: its lines are whole.
        for (const std::string &line : updatertest::readLogLines(filesIn(folder / "Logs").front()))
            EXPECT_EQ(line.find("<no line end>"), std::string::npos) << line;

        if (!testsupport::haveLldb())
            continue;
        const std::string shown =
            testsupport::lldb("-c '" + files[0].string() + "' -o 'thread list' -o 'bt'");
        EXPECT_NE(shown.find("tid = " + id), std::string::npos) << shown;
        EXPECT_NE(shown.find("stop reason = signal SIGSEGV"), std::string::npos) << shown;
        EXPECT_NE(shown.find("runUpdate"), std::string::npos) << shown;
    }
}

} // namespace
