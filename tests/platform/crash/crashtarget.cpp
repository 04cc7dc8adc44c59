// A program that installs the crash hook and then crashes in the way its first argument names.
// The remaining arguments are the dump folders. Beside each dump it writes "<dump>.txt" with
// what its crash callbacks learned, so that tests can check what a report would show.
#include "crashhandler.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

// Set at run time to a value the program file does not hold, so that a debugger shows it only
// when the dump carries the program's data.
volatile int crashTargetMarker = 1;

namespace {

volatile int g_sink;
bool g_beforeDumpSawNoPath = false;
bool g_crashInCallback = false;

void appendText(char *out, std::size_t &at, std::size_t capacity, const char *text)
{
    while (*text && at + 1 < capacity)
        out[at++] = *text++;
    out[at] = '\0';
}

void appendNumber(char *out, std::size_t &at, std::size_t capacity, unsigned long value, int base)
{
    char digits[32];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % static_cast<unsigned>(base)];
        value /= static_cast<unsigned>(base);
    } while (value);
    char text[33];
    int i = 0;
    while (count)
        text[i++] = digits[--count];
    text[i] = '\0';
    appendText(out, at, capacity, text);
}

void beforeDump(const crash::CrashContext &context, void *)
{
    g_beforeDumpSawNoPath = context.dumpPath[0] == '\0';
}

// Signal-safe: only open, write and close.
void afterDump(const crash::CrashContext &context, void *)
{
    if (!context.dumpPath[0])
        return;
    char path[4200];
    std::size_t at = 0;
    appendText(path, at, sizeof path, context.dumpPath);
    appendText(path, at, sizeof path, ".txt");
    char text[1024];
    at = 0;
    appendText(text, at, sizeof text, "signal=");
    appendNumber(text, at, sizeof text, static_cast<unsigned long>(context.signal), 10);
    appendText(text, at, sizeof text, "\ncode=");
    appendNumber(text, at, sizeof text, context.exception.code, 16);
    appendText(text, at, sizeof text, "\nname=");
    appendText(text, at, sizeof text, context.exception.name);
    appendText(text, at, sizeof text, "\ntid=");
    appendNumber(text, at, sizeof text, static_cast<unsigned long>(context.tid), 10);
    appendText(text, at, sizeof text, "\nfolder=");
    appendText(text, at, sizeof text, context.dumpFolder);
    appendText(text, at, sizeof text, "\ntype=");
    appendText(text, at, sizeof text, context.uncaughtType ? context.uncaughtType : "");
    appendText(text, at, sizeof text, "\nwhat=");
    appendText(text, at, sizeof text, context.uncaughtWhat ? context.uncaughtWhat : "");
    appendText(text, at, sizeof text, "\nbeforeDumpSawNoPath=");
    appendText(text, at, sizeof text, g_beforeDumpSawNoPath ? "1" : "0");
    appendText(text, at, sizeof text, "\n");
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    ssize_t ignored = write(fd, text, at);
    (void)ignored;
    close(fd);
    if (g_crashInCallback) {
        volatile int *volatile nowhere = nullptr;
        *nowhere = 1;
    }
}

__attribute__((noinline)) void crashByNullWrite()
{
    // Through a volatile pointer, so that the compiler cannot see the null.
    volatile int *volatile target = nullptr;
    *target = 42;
}

__attribute__((noinline)) void crashByAbort()
{
    std::abort();
}

__attribute__((noinline)) int crashByStackOverflow(int depth)
{
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    // The work after the call keeps the recursion from becoming a loop; the bound is never
    // reached before the stack runs out.
    if (depth == INT32_MAX)
        return frame[0];
    return crashByStackOverflow(depth + 1) + frame[0];
}

__attribute__((noinline)) void crashByUncaughtException()
{
    throw std::runtime_error("nobody catches this");
}

__attribute__((noinline)) void crashByDivision(int divisor)
{
    g_sink = 7 / divisor;
}

// Several threads fault at the same moment; one dump must come out and the process must end.
void crashOnManyThreads()
{
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&ready] {
            ++ready;
            while (ready.load() < 4) {
            }
            crashByNullWrite();
        });
    }
    for (std::thread &thread : threads)
        thread.join();
}

void runOnSecondThread(void (*body)())
{
    std::thread worker([body] {
        crash::prepareThisThread();
        body();
    });
    worker.join();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    crash::Options options;
    options.programName = "CrashTarget";
    options.version = "1.2.3";
    for (int i = 2; i < argc; ++i)
        options.dumpFolders.push_back(argv[i]);
    options.beforeDump = beforeDump;
    options.afterDump = afterDump;
    options.includeDataSegments = std::getenv("CRASH_TARGET_DATA_SEGMENTS") != nullptr;
    g_crashInCallback = std::getenv("CRASH_TARGET_CALLBACK_CRASH") != nullptr;
    if (!crash::install(options))
        return 3;
    // Where the process is at the crash must not matter for where the dump goes.
    if (const char *elsewhere = std::getenv("CRASH_TARGET_CHDIR");
        elsewhere && chdir(elsewhere) != 0)
        return 5;

    crashTargetMarker = 0x5eed1234;
    const std::string mode = argv[1];
    if (mode == "null-write")
        crashByNullWrite();
    else if (mode == "abort")
        crashByAbort();
    else if (mode == "stack-overflow")
        g_sink = crashByStackOverflow(0);
    else if (mode == "thread-stack-overflow")
        runOnSecondThread([] { g_sink = crashByStackOverflow(0); });
    else if (mode == "thread-null-write")
        runOnSecondThread(crashByNullWrite);
    else if (mode == "uncaught")
        crashByUncaughtException();
    else if (mode == "racing-null-writes")
        crashOnManyThreads();
    else if (mode == "divide")
        crashByDivision(g_sink);
    else
        return 4;
    return 0;
}
