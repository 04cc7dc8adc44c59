// Runs the crash target, which installs the hook and crashes in a chosen way, and checks what is
// left behind: how the process ended, the dump's name and place, and what a stock debugger
// makes of the dump.
#include "lldbrunner.h"
#include "scopedtimezone.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::filesIn;
using testsupport::haveLldb;
using testsupport::lldb;
using testsupport::runCommand;

namespace {

struct TargetRun
{
    pid_t pid = 0;
    int status = 0;
    std::int64_t startedAt = 0;
    std::int64_t endedAt = 0;
};

// Starts the target and waits for it, for at most a minute (a hung handler is a failure, not a
// hung test).
TargetRun runTarget(const std::string &mode, const std::vector<fs::path> &folders,
                    const std::vector<std::string> &environment = {},
                    const fs::path &workingFolder = {})
{
    std::vector<std::string> args{CRASH_TARGET_PATH, mode};
    for (const fs::path &folder : folders)
        args.push_back(folder.string());
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    TargetRun run;
    run.startedAt = std::time(nullptr);
    run.pid = fork();
    if (run.pid == 0) {
        // No core file: the test is about the hook's own dump.
        rlimit none{0, 0};
        setrlimit(RLIMIT_CORE, &none);
        for (const std::string &setting : environment)
            putenv(const_cast<char *>(setting.c_str()));
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(run.pid, &run.status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(run.pid, SIGKILL);
            waitpid(run.pid, &run.status, 0);
            ADD_FAILURE() << "the crash target hung in mode " << mode;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.endedAt = std::time(nullptr);
    return run;
}

std::map<std::string, std::string> readReport(const fs::path &file)
{
    std::map<std::string, std::string> values;
    std::istringstream in(testsupport::readFile(file));
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::string localStamp(std::int64_t utc)
{
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

struct CrashCase
{
    const char *mode;
    int signal;
    bool onSecondThread;
    const char *function; // the frame that lldb must show
    const char *exceptionName;
    const char *exceptionCode;
};

void PrintTo(const CrashCase &c, std::ostream *out)
{
    *out << c.mode;
}

class CrashDump : public testing::TestWithParam<CrashCase>
{
protected:
    testsupport::TempDir m_root{"crash-test"};
};

TEST_P(CrashDump, EndsBySignalAndLeavesADumpThatTheDebuggerOpens)
{
    const CrashCase &c = GetParam();
    // A zone far from UTC shows that the name carries local time.
    const testsupport::ScopedTimeZone zone("XST-5:30");
    const fs::path folder = m_root / "tdumps"; // created by the hook
    const TargetRun run =
        runTarget(c.mode, {folder}, {"TZ=XST-5:30", "CRASH_TARGET_SECRET=hunter2-in-the-env"});

    ASSERT_TRUE(WIFSIGNALED(run.status)) << "status " << run.status;
    EXPECT_EQ(WTERMSIG(run.status), c.signal);

    const std::vector<fs::path> files = filesIn(folder);
    const std::regex pattern(R"(CrashTarget-1\.2\.3-(\d{8}-\d{6})-(\d+)-(\d+)\.dmp)");
    std::vector<fs::path> dumps;
    for (const fs::path &file : files) {
        if (std::regex_match(file.filename().string(), pattern))
            dumps.push_back(file);
        else
            EXPECT_EQ(file.extension(), ".txt") << "left over: " << file;
    }
    ASSERT_EQ(dumps.size(), 1u);
    const fs::path dump = dumps.front();
    std::smatch parts;
    const std::string name = dump.filename().string();
    ASSERT_TRUE(std::regex_match(name, parts, pattern));
    EXPECT_GE(parts[1].str(), localStamp(run.startedAt - 1));
    EXPECT_LE(parts[1].str(), localStamp(run.endedAt + 1));
    EXPECT_EQ(parts[2].str(), std::to_string(run.pid));
    const std::string tid = parts[3].str();
    if (c.onSecondThread)
        EXPECT_NE(tid, std::to_string(run.pid));
    else
        EXPECT_EQ(tid, std::to_string(run.pid));

    // What the program's crash callbacks were told.
    auto report = readReport(dump.string() + ".txt");
    EXPECT_EQ(report["signal"], std::to_string(c.signal));
    EXPECT_EQ(report["name"], c.exceptionName);
    EXPECT_EQ(report["code"], c.exceptionCode);
    EXPECT_EQ(report["tid"], tid);
    EXPECT_EQ(report["folder"], folder.string());
    EXPECT_EQ(report["beforeDumpSawNoPath"], "1");

    EXPECT_NE(runCommand("file -b '" + dump.string() + "'").find("Mini DuMP crash report"),
              std::string::npos);
    // The environment sits at the top of the main stack; it stays out of the dump.
    EXPECT_EQ(testsupport::readFile(dump).find("hunter2-in-the-env"), std::string::npos);

    if (!haveLldb())
        GTEST_SKIP() << "lldb is not installed";
    const std::string byCore = lldb("-c '" + dump.string() + "' -o 'thread list' -o 'bt 40'");
    const char *signalName = c.signal == SIGSEGV   ? "SIGSEGV"
                             : c.signal == SIGABRT ? "SIGABRT"
                                                   : "SIGFPE";
    EXPECT_NE(byCore.find("tid = " + tid), std::string::npos) << byCore;
    EXPECT_NE(byCore.find(std::string("stop reason = signal ") + signalName), std::string::npos)
        << byCore;
    EXPECT_NE(byCore.find(std::string("crash_target`(anonymous namespace)::") + c.function),
              std::string::npos)
        << byCore;
    // The same with the program named, as a developer with the build at hand opens it.
    const std::string withProgram =
        lldb(std::string("'") + CRASH_TARGET_PATH + "' -c '" + dump.string() + "' -o 'bt 40'");
    EXPECT_NE(withProgram.find(std::string("::") + c.function), std::string::npos) << withProgram;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CrashDump,
    testing::Values(
        CrashCase{"null-write", SIGSEGV, false, "crashByNullWrite", "ACCESS_VIOLATION", "c0000005"},
        CrashCase{"thread-null-write", SIGSEGV, true, "crashByNullWrite", "ACCESS_VIOLATION",
                  "c0000005"},
        CrashCase{"abort", SIGABRT, false, "crashByAbort", "Aborted", "40000015"},
        CrashCase{"stack-overflow", SIGSEGV, false, "crashByStackOverflow", "STACK_OVERFLOW",
                  "c00000fd"},
        CrashCase{"thread-stack-overflow", SIGSEGV, true, "crashByStackOverflow", "STACK_OVERFLOW",
                  "c00000fd"},
        CrashCase{"uncaught", SIGABRT, false, "crashByUncaughtException", "Unhandled C++ exception",
                  "e06d7363"},
        CrashCase{"divide", SIGFPE, false, "crashByDivision", "INT_DIVIDE_BY_ZERO", "c0000094"}),
    [](const testing::TestParamInfo<CrashCase> &info) {
        std::string name = info.param.mode;
        for (char &ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

TEST(CrashDumpReport, TellsTheTypeAndTextOfAnUncaughtException)
{
    testsupport::TempDir root("crash-test");
    const TargetRun run = runTarget("uncaught", {root / "tdumps"});
    ASSERT_TRUE(WIFSIGNALED(run.status));
    fs::path text;
    for (const fs::path &file : filesIn(root / "tdumps"))
        if (file.extension() == ".txt")
            text = file;
    ASSERT_FALSE(text.empty());
    auto report = readReport(text);
    EXPECT_EQ(report["type"], "St13runtime_error");
    EXPECT_EQ(report["what"], "nobody catches this");
}

// The first folder that can hold the dump gets it; a folder is made one level deep only.
TEST(CrashDumpFolders, FallsBackInOrderAndEndsBySignalWhenNoFolderWorks)
{
    testsupport::TempDir root("crash-test");
    testsupport::writeFile(root / "not-a-folder", "x");
    fs::create_directories(root / "data" / "Quorvel Desktop");
    const fs::path programDumps = root / "not-a-folder" / "tdumps";
    const fs::path missingParent = root / "data" / "Missing" / "tdumps";
    const fs::path userDumps = root / "data" / "Quorvel Desktop" / "tdumps";

    const struct
    {
        std::vector<fs::path> folders;
        fs::path expected; // empty: no dump anywhere
    } cases[] = {
        {{programDumps, missingParent, userDumps}, userDumps},
        {{programDumps, missingParent}, {}},
    };
    for (const auto &c : cases) {
        fs::remove_all(userDumps);
        const TargetRun run = runTarget("null-write", c.folders);
        ASSERT_TRUE(WIFSIGNALED(run.status));
        EXPECT_EQ(WTERMSIG(run.status), SIGSEGV);
        EXPECT_FALSE(fs::exists(missingParent.parent_path()));
        if (c.expected.empty()) {
            EXPECT_FALSE(fs::exists(userDumps));
            continue;
        }
        std::size_t dumps = 0;
        for (const fs::path &file : filesIn(c.expected))
            dumps += file.extension() == ".dmp";
        EXPECT_EQ(dumps, 1u);
    }
}

TEST(CrashDumpFolders, TakesARelativeFolderFromWhereTheProgramInstalledTheHook)
{
    testsupport::TempDir root("crash-test");
    fs::create_directories(root / "elsewhere");
    const TargetRun run =
        runTarget("null-write", {"tdumps"}, {"CRASH_TARGET_CHDIR=" + (root / "elsewhere").string()},
                  root.path());
    ASSERT_TRUE(WIFSIGNALED(run.status));
    EXPECT_EQ(filesIn(root / "tdumps").size(), 2u) << "the dump and its report";
    EXPECT_FALSE(fs::exists(root / "elsewhere" / "tdumps"));
}

// Faults that come together (several threads, or a program callback that itself crashes) still
// give one complete dump and end the process by its signal instead of hanging it.
TEST(CrashDumpRaces, OneDumpAndTheSignalWhenFaultsComeTogether)
{
    const struct
    {
        const char *mode;
        const char *setting;
    } cases[] = {{"racing-null-writes", "CRASH_TARGET_UNUSED=1"},
                 {"null-write", "CRASH_TARGET_CALLBACK_CRASH=1"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode + std::string(" ") + c.setting);
        testsupport::TempDir root("crash-test");
        const TargetRun run = runTarget(c.mode, {root / "tdumps"}, {c.setting});
        ASSERT_TRUE(WIFSIGNALED(run.status));
        EXPECT_EQ(WTERMSIG(run.status), SIGSEGV);
        std::vector<fs::path> dumps;
        for (const fs::path &file : filesIn(root / "tdumps"))
            if (file.extension() == ".dmp")
                dumps.push_back(file);
        ASSERT_EQ(dumps.size(), 1u);
        EXPECT_TRUE(fs::exists(dumps.front().string() + ".txt"));
        EXPECT_NE(
            runCommand("file -b '" + dumps.front().string() + "'").find("Mini DuMP crash report"),
            std::string::npos);
    }
}

// With data segments the dump carries the globals as they were at the crash, not as the
// program file has them.
TEST(CrashDumpData, CarriesGlobalsWhenAskedTo)
{
    if (!haveLldb())
        GTEST_SKIP() << "lldb is not installed";
    const struct
    {
        const char *setting;
        bool expectValue;
    } cases[] = {{"CRASH_TARGET_DATA_SEGMENTS=1", true}, {"CRASH_TARGET_NO_DATA=1", false}};
    for (const auto &c : cases) {
        testsupport::TempDir root("crash-test");
        const TargetRun run = runTarget("null-write", {root / "tdumps"}, {c.setting});
        ASSERT_TRUE(WIFSIGNALED(run.status));
        fs::path dump;
        for (const fs::path &file : filesIn(root / "tdumps"))
            if (file.extension() == ".dmp")
                dump = file;
        ASSERT_FALSE(dump.empty());
        const std::string output =
            lldb(std::string("'") + CRASH_TARGET_PATH + "' -c '" + dump.string() +
                 "' -o 'target variable -f x crashTargetMarker'");
        EXPECT_EQ(output.find("0x5eed1234") != std::string::npos, c.expectValue)
            << c.setting << "\n"
            << output;
    }
}

} // namespace
