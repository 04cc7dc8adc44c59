// Crashes a program that installs the client's crash handling, the way the client would crash,
// and checks what it leaves in "tdumps" beside itself: the text report line by line, the dump
// beside it (opened in lldb), the earlier report of the same name, and how the process ended.
#include "lldbrunner.h"
#include "scopedtimezone.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::haveLldb;
using testsupport::lldb;
using testsupport::runCommand;

namespace {

// A zone far from UTC shows that names and times are local.
constexpr const char kZone[] = "XST-5:30";

struct ProgramRun
{
    int status = 0;
    std::int64_t startedAt = 0;
    std::int64_t endedAt = 0;
    std::string out;
    std::string err;
};

class CrashReportTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_program.parent_path());
        fs::copy_file(CRASH_REPORT_TARGET, m_program);
        fs::permissions(m_program, fs::perms::owner_all);
    }

    // Runs the program and waits for it, at most a minute: a hung handler is a failure.
    ProgramRun run(const std::vector<std::string> &arguments, const fs::path &workingFolder = {})
    {
        std::vector<std::string> args{m_program.string()};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char *> argv;
        for (std::string &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const fs::path out = m_root / "stdout.txt";
        const fs::path err = m_root / "stderr.txt";

        ProgramRun result;
        result.startedAt = std::time(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            rlimit none{0, 0};
            setrlimit(RLIMIT_CORE, &none);
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0)
                _exit(125);
            if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0)
                _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (waitpid(pid, &result.status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &result.status, 0);
                ADD_FAILURE() << "the program hung";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        result.endedAt = std::time(nullptr);
        result.out = testsupport::readFile(out);
        result.err = testsupport::readFile(err);
        return result;
    }

    // Report names for every second the run may fall into.
    std::vector<fs::path> possibleReports() const
    {
        std::vector<fs::path> names;
        const std::int64_t now = std::time(nullptr);
        for (std::int64_t t = now - 1; t <= now + 70; ++t)
            names.push_back(m_dumps / ("Aulark-2019121900-" + stamp(t) + ".rpt"));
        return names;
    }

    static std::string stamp(std::int64_t utc, const char *format = "%Y%m%d-%H%M%S")
    {
        const std::time_t t = static_cast<std::time_t>(utc);
        std::tm local{};
        localtime_r(&t, &local);
        char text[32];
        std::strftime(text, sizeof text, format, &local);
        return text;
    }

    testsupport::ScopedTimeZone m_zone{kZone};
    testsupport::TempDir m_root{"crashreport-test"};
    const fs::path m_program = m_root / "program" / "Aulark";
    const fs::path m_dumps = m_root / "program" / "tdumps";
};

std::vector<std::string> namesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct CrashCase
{
    const char *mode;
    int signal;
    const char *exception; // code and name as the report shows them
    const char *function;  // the frame the debugger must show
    bool faultInProgram;   // the faulting instruction is the program's own
};

void PrintTo(const CrashCase &c, std::ostream *out)
{
    *out << c.mode;
}

class CrashReport : public CrashReportTest, public testing::WithParamInterface<CrashCase>
{
};

TEST_P(CrashReport, ReportAndDumpInTdumpsThenEndsBySignal)
{
    const CrashCase &c = GetParam();
    const ProgramRun result = run({c.mode});
    ASSERT_TRUE(WIFSIGNALED(result.status)) << "status " << result.status << "\n" << result.err;
    EXPECT_EQ(WTERMSIG(result.status), c.signal);

    // Exactly the report and its dump, named for the crash's local time.
    const std::vector<std::string> files = namesIn(m_dumps);
    ASSERT_EQ(files.size(), 2u) << testing::PrintToString(files);
    const std::regex namePattern(
        R"(Aulark-2019121900-(\d{4})(\d\d)(\d\d)-(\d\d)(\d\d)(\d\d)\.rpt)");
    std::smatch name;
    ASSERT_TRUE(std::regex_match(files[0], name, namePattern)) << files[0];
    EXPECT_EQ(files[1], files[0] + ".dmp");
    const std::string nameStamp = name[1].str() + name[2].str() + name[3].str() + "-" +
                                  name[4].str() + name[5].str() + name[6].str();
    EXPECT_GE(nameStamp, stamp(result.startedAt - 1));
    EXPECT_LE(nameStamp, stamp(result.endedAt + 1));

    const std::string report = testsupport::readFile(m_dumps / files[0]);
    const std::string program = m_program.string();
    // The module list first, with the program's own block and its file time in local time.
    ASSERT_EQ(report.rfind("Module List:\r\n", 0), 0u) << report.substr(0, 200);
    struct stat status;
    ASSERT_EQ(stat(m_program.c_str(), &status), 0);
    const std::string programBlock =
        program + "\r\n\tBaseImage 0x[0-9a-f]{8} \\d+ Size 0x[0-9a-f]{8}\r\n\tTimeStamp " +
        stamp(status.st_mtime, "%m/%d/%Y %H:%M:%S") +
        "\r\n\tFileVersion 0\\.0\\.0\\.0 Product Version 0\\.0\\.0\\.0\r\n\r\n";
    EXPECT_TRUE(std::regex_search(report, std::regex(programBlock))) << report.substr(0, 2000);
    EXPECT_TRUE(std::regex_search(report, std::regex("/libc\\.so\\.6\r\n\tBaseImage 0x")));

    // Then the text, line by line.
    const std::string hexAddress = "([0-9A-F]{8,16})";
    const std::string text =
        std::string("\r\n\r\nUnhandled exception: ") + name[2].str() + "/" + name[3].str() + "/" +
        name[1].str() + " " + name[4].str() + ":" + name[5].str() + ":" + name[6].str() + "\r\n" +
        "Processor Level: [^\r\n]*\r\nProcessor Numbers: " +
        std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + "\r\n" +
        "OS: Linux \\d+\\.\\d+ Build \\d+ [^\r\n]+\r\n" + "Exception code: " + c.exception +
        "\r\n" + "Fault address:  " + hexAddress + " ([0-9A-F]{2}):[0-9A-F]{8} ([^\r\n]*)\r\n" +
        "\nRegisters:\r\n" +
        "RAX:[0-9A-F]{8,16}\r\nRBX:[0-9A-F]{8,16}\r\nRCX:[0-9A-F]{8,16}\r\n"
        "RDX:[0-9A-F]{8,16}\r\nRSI:[0-9A-F]{8,16}\r\nRDI:[0-9A-F]{8,16}\r\n"
        "(R\\d\\d?:[0-9A-F]{8,16}\r\n){8}" +
        "CS:RIP:0033:" + hexAddress + "\r\n" +
        "SS:RSP:[0-9A-F]{4}:[0-9A-F]{8,16}  RBP:[0-9A-F]{8,16}\r\n" +
        "DS:[0-9A-F]{4}  ES:[0-9A-F]{4}  FS:[0-9A-F]{4}  GS:[0-9A-F]{4}\r\n" +
        "Flags:[0-9A-F]{8}\r\n" + "Call stack:\r\nAddress\tFrame\r\n" + hexAddress +
        "\t[0-9A-F]{8,16} [0-9A-F]{4}:[0-9A-F]{8} [^\r\n]*\r\n";
    std::smatch lines;
    ASSERT_TRUE(std::regex_search(report, lines, std::regex(text))) << report.substr(
        report.find("Unhandled") == std::string::npos ? 0 : report.find("Unhandled") - 4);
    const std::string faultAddress = lines[1].str();
    EXPECT_EQ(lines[5].str(), faultAddress); // CS:RIP
    EXPECT_EQ(lines[6].str(), faultAddress); // the first frame
    if (c.faultInProgram) {
        EXPECT_EQ(lines[3].str(), program);
        EXPECT_NE(lines[2].str(), "00");
        // The walk goes on from the crashing function to its callers.
        const std::string stack = report.substr(report.find("Address\tFrame\r\n"));
        EXPECT_GE(std::count(stack.begin(), stack.end(), '\n'), 3) << stack;
    }

    // The two messages for a debugger, on standard error.
    const std::string code = lower(std::string(c.exception).substr(0, 8));
    EXPECT_NE(result.err.find("Last exception handled code " + code + " addr " +
                              lower(faultAddress.substr(faultAddress.find_first_not_of('0'))) +
                              "\nAn unhandled exception has occurred.\r\n"
                              "Information regarding the exception has been logged.\r\n"
                              "Please contact your application vendor for further assistance.\r\n"),
              std::string::npos)
        << result.err;

    if (!haveLldb())
        GTEST_SKIP() << "lldb is not installed";
    const std::string dump = (m_dumps / files[1]).string();
    const char *signalName = c.signal == SIGSEGV  ? "SIGSEGV"
                             : c.signal == SIGFPE ? "SIGFPE"
                                                  : "SIGABRT";
    const std::string threads = lldb("-c '" + dump + "' -o 'thread list'");
    EXPECT_NE(threads.find(std::string("stop reason = signal ") + signalName), std::string::npos)
        << threads;
    const std::string backtrace = lldb("'" + program + "' -c '" + dump + "' -o 'bt'");
    EXPECT_NE(backtrace.find(c.function), std::string::npos) << backtrace;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CrashReport,
    testing::Values(
        CrashCase{"null-write", SIGSEGV, "C0000005 ACCESS_VIOLATION", "crashByNullWrite", true},
        CrashCase{"division", SIGFPE, "C0000094 INT_DIVIDE_BY_ZERO", "crashByDivision", true},
        CrashCase{"stack-overflow", SIGSEGV, "C00000FD STACK_OVERFLOW", "crashByStackOverflow",
                  true},
        CrashCase{"abort", SIGABRT, "40000015 Aborted", "crashByAbort", false},
        CrashCase{"uncaught-exception", SIGABRT, "E06D7363 Unhandled C\\+\\+ exception",
                  "crashByUncaughtException", false}),
    [](const testing::TestParamInfo<CrashCase> &info) {
        std::string name = info.param.mode;
        for (char &ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

// The C library keeps no frame pointers: a fault in a sort's comparator still gives a call stack
// that goes through the library's frames down to the program's own callers of the sort.
TEST_F(CrashReportTest, CallStackGoesThroughTheLibraryToTheProgramsCallers)
{
    const ProgramRun result = run({"fault-in-qsort"});
    ASSERT_TRUE(WIFSIGNALED(result.status)) << result.err;
    EXPECT_EQ(WTERMSIG(result.status), SIGSEGV);
    std::vector<std::string> files = namesIn(m_dumps);
    ASSERT_EQ(files.size(), 2u) << testing::PrintToString(files);
    const std::string report = testsupport::readFile(m_dumps / files[0]);
    ASSERT_NE(report.find("Exception code: C0000005 ACCESS_VIOLATION\r\n"), std::string::npos);

    // The module of each frame, innermost first.
    const std::size_t start = report.find("Address\tFrame\r\n");
    ASSERT_NE(start, std::string::npos);
    const std::regex frameLine("[0-9A-F]{8,16}\t[0-9A-F]{8,16} [0-9A-F]{4}:[0-9A-F]{8} ([^\r\n]*)");
    std::vector<std::string> modules;
    std::istringstream lines(report.substr(start + 14));
    for (std::string line; std::getline(lines, line);) {
        std::smatch frame;
        if (std::regex_search(line, frame, frameLine))
            modules.push_back(frame[1].str());
    }
    const std::string program = m_program.string();
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(modules.front(), program) << "the comparator";
    const auto library = std::find_if(modules.begin(), modules.end(), [](const std::string &m) {
        return m.find("/libc.so") != std::string::npos;
    });
    ASSERT_NE(library, modules.end()) << report.substr(start);
    // The sort's caller and main, below the library's frames.
    EXPECT_GE(std::count(library, modules.end(), program), 2) << report.substr(start);
}

// The update worker runs the network code and the extraction on a thread of its own: a stack
// overflow there leaves a report and a dump as one on the main thread does.
TEST_F(CrashReportTest, StackOverflowOnTheUpdateWorkersThreadIsReported)
{
    const ProgramRun result = run({"update-worker-stack-overflow"});
    ASSERT_TRUE(WIFSIGNALED(result.status)) << "status " << result.status << "\n" << result.err;
    EXPECT_EQ(WTERMSIG(result.status), SIGSEGV);
    const std::vector<std::string> files = namesIn(m_dumps);
    ASSERT_EQ(files.size(), 2u) << testing::PrintToString(files) << "\n" << result.err;
    EXPECT_EQ(files[1], files[0] + ".dmp");
    const std::string report = testsupport::readFile(m_dumps / files[0]);
    EXPECT_NE(report.find("Exception code: C00000FD STACK_OVERFLOW\r\n"), std::string::npos)
        << report.substr(0, 4000);

    if (!haveLldb())
        GTEST_SKIP() << "lldb is not installed";
    const std::string backtrace =
        lldb("'" + m_program.string() + "' -c '" + (m_dumps / files[1]).string() + "' -o 'bt'");
    EXPECT_NE(backtrace.find("stop reason = signal SIGSEGV"), std::string::npos) << backtrace;
    EXPECT_NE(backtrace.find("crashByStackOverflow"), std::string::npos) << backtrace;
}

// A report of the same name already there (a crash in the same second) is kept whole as
// ".rotate", replacing an older copy; the new report is the new text alone.
TEST_F(CrashReportTest, EarlierReportOfTheSameNameBecomesTheRotateCopy)
{
    fs::create_directories(m_dumps);
    std::map<fs::path, std::string> earlier;
    for (const fs::path &name : possibleReports()) {
        earlier[name] =
            "earlier report " + name.filename().string() + "\r\n" + std::string(64 * 1024, 'x');
        testsupport::writeFile(name, earlier[name]);
        testsupport::writeFile(name.string() + ".rotate", "older copy");
    }
    const ProgramRun result = run({"null-write"});
    ASSERT_TRUE(WIFSIGNALED(result.status));
    EXPECT_EQ(WTERMSIG(result.status), SIGSEGV);

    std::vector<fs::path> fresh;
    for (const auto &[name, content] : earlier) {
        const std::string now = testsupport::readFile(name);
        if (now == content) {
            EXPECT_EQ(testsupport::readFile(name.string() + ".rotate"), "older copy");
            continue;
        }
        fresh.push_back(name);
        EXPECT_EQ(now.rfind("Module List:\r\n", 0), 0u);
        EXPECT_EQ(now.find("earlier report"), std::string::npos);
        EXPECT_NE(now.find("Exception code: C0000005 ACCESS_VIOLATION\r\n"), std::string::npos);
        EXPECT_EQ(testsupport::readFile(name.string() + ".rotate"), content);
        EXPECT_TRUE(fs::exists(name.string() + ".dmp"));
    }
    EXPECT_EQ(fresh.size(), 1u);
}

// An earlier report that cannot be moved aside is not written over: it stays as it was, and
// the new report goes to standard output; the dump is still written.
TEST_F(CrashReportTest, EarlierReportThatCannotBeMovedAsideStays)
{
    fs::create_directories(m_dumps);
    const std::vector<fs::path> names = possibleReports();
    for (const fs::path &name : names) {
        testsupport::writeFile(name, "earlier report");
        fs::create_directories(name.string() + ".rotate");
        testsupport::writeFile(name.string() + ".rotate/in-the-way", "");
    }
    const ProgramRun result = run({"null-write"});
    ASSERT_TRUE(WIFSIGNALED(result.status));
    EXPECT_EQ(WTERMSIG(result.status), SIGSEGV);

    std::size_t dumps = 0;
    for (const fs::path &name : names) {
        EXPECT_EQ(testsupport::readFile(name), "earlier report") << name;
        dumps += fs::exists(name.string() + ".dmp") ? 1 : 0;
    }
    EXPECT_EQ(dumps, 1u);
    EXPECT_EQ(result.out.rfind("Unhandled exception: ", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("Exception code: C0000005 ACCESS_VIOLATION\r\n"), std::string::npos);
    EXPECT_EQ(result.out.find("Module List:"), std::string::npos);
}

// A dump that cannot be written leaves the report whole.
TEST_F(CrashReportTest, ReportIsWrittenWhenTheDumpCannotBe)
{
    fs::create_directories(m_dumps);
    const std::vector<fs::path> names = possibleReports();
    // The dump is written under a partial name first; a folder there stops it.
    for (const fs::path &name : names)
        fs::create_directories(name.string() + ".dmp.part/in-the-way");
    const ProgramRun result = run({"null-write"});
    ASSERT_TRUE(WIFSIGNALED(result.status));
    EXPECT_EQ(WTERMSIG(result.status), SIGSEGV);

    std::vector<fs::path> reports;
    for (const fs::path &name : names) {
        EXPECT_FALSE(fs::exists(name.string() + ".dmp"));
        if (fs::exists(name))
            reports.push_back(name);
    }
    ASSERT_EQ(reports.size(), 1u);
    const std::string report = testsupport::readFile(reports.front());
    EXPECT_EQ(report.rfind("Module List:\r\n", 0), 0u);
    EXPECT_NE(report.find("Exception code: C0000005 ACCESS_VIOLATION\r\n"), std::string::npos);
    EXPECT_NE(report.find("Call stack:\r\nAddress\tFrame\r\n"), std::string::npos);
}

// Without the program's own path there is no report name: the dump goes to ".dmp" in the
// working folder and the report text to standard output.
TEST_F(CrashReportTest, UnknownProgramPathDumpsInTheWorkingFolder)
{
    const fs::path work = m_root / "work";
    fs::create_directories(work);
    const ProgramRun result = run({"null-write", "unknown-path"}, work);
    ASSERT_TRUE(WIFSIGNALED(result.status)) << result.status;
    EXPECT_EQ(WTERMSIG(result.status), SIGSEGV);
    EXPECT_EQ(namesIn(work), std::vector<std::string>{".dmp"});
    EXPECT_FALSE(fs::exists(m_dumps));
    EXPECT_EQ(result.out.rfind("Unhandled exception: ", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("Call stack:\r\nAddress\tFrame\r\n"), std::string::npos);
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_NE(runCommand("file -b '" + (work / ".dmp").string() + "'").find("Mini DuMP"),
              std::string::npos);
}

} // namespace
