#pragma once

#include "exceptionkind.h"
#include "systemfacts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <ucontext.h>
#include <vector>

// The process's fatal-error hook: on SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT and on a
// C++ exception that nothing catches, it writes a minidump of the crashing thread (registers,
// stack, modules, exception record) that a stock debugger opens, runs the program's own crash
// callbacks, and then lets the signal end the process as it would have without the hook.
//
// Everything the hook needs at crash time (memory, folder and file names, the time-zone offset)
// is prepared by install(); the handler itself allocates nothing and uses no stdio.
//
//     crash::Options options;
//     options.programName = programnames::kUpdater;
//     options.version = "0.1.0";
//     options.dumpFolders = {programDir + "/tdumps", userDir + "/Quorvel Desktop/tdumps"};
//     options.includeDataSegments = true;
//     options.beforeDump = closeLogAtCrash; // a CrashCallback
//     crash::install(options);
//
// gives "<program folder>/tdumps/Updater-0.1.0-20261210-101500-4242-4242.dmp", or the same in the
// second folder when the first cannot be made (its parent must exist).
namespace crash {

// Local calendar time, as the file name and a report show it.
struct LocalTime
{
    int year;
    int month; // 1..12
    int day;   // 1..31
    int hour;
    int minute;
    int second;
};

// What a crash callback learns. Every pointer stays valid until the process ends.
struct CrashContext
{
    int signal;     // SIGABRT for an uncaught C++ exception
    int signalCode; // si_code
    // The address the kernel reports: the memory accessed for SIGSEGV and SIGBUS, the
    // instruction for SIGILL and SIGFPE; null for a signal sent by a process (abort, kill).
    const void *faultAddress;
    ExceptionKind exception;
    const ucontext_t *context; // the crashing thread's registers
    long pid;
    long tid; // kernel thread id of the crashing thread
    LocalTime time;
    // The folder the dump went to and the dump's full file name; both "" in the before-dump
    // callback and when no dump could be written.
    const char *dumpFolder;
    const char *dumpPath;
    // For an uncaught C++ exception: its (mangled) type name and, for a std::exception, what();
    // otherwise null.
    const char *uncaughtType;
    const char *uncaughtWhat;
    // The crashing thread's stack as far as it was found (both 0 when it was not): from just
    // below the stack pointer to the stack's end. Memory in it can be read safely.
    std::uintptr_t stackBegin;
    std::uintptr_t stackEnd;
    // The process's memory map (the text of /proc/self/maps) read at the crash; read it with
    // MappingReader from procmaps.h.
    const char *maps;
    std::size_t mapsLength;
    // The machine as install() found it; never null.
    const SystemFacts *system;
};

// Runs at crash time, on the crashing thread's alternate stack, with the fatal signals blocked.
// It must be async-signal-safe: no allocation, no stdio, no locks; open/write/close are fine.
using CrashCallback = void (*)(const CrashContext &context, void *userData);

struct Options
{
    std::string programName; // "{name}" in the file name
    std::string version;     // "{version}"
    // Dump folders in order of preference. Each is created at crash time when missing (one level:
    // its parent must exist); the first that can hold the file gets it.
    std::vector<std::string> dumpFolders;
    // Formatted at crash time: {name}, {version}, {date} (YYYYMMDD), {time} (HHMMSS, local),
    // {pid}, {tid}. Must not contain '/'.
    std::string fileNamePattern = "{name}-{version}-{date}-{time}-{pid}-{tid}.dmp";
    // Also dump the writable data of every loaded module (globals), capped in size.
    bool includeDataSegments = false;
    // beforeDump runs first (close a log so its lines are complete), afterDump once the dump is
    // in place (write a text report beside it).
    CrashCallback beforeDump = nullptr;
    CrashCallback afterDump = nullptr;
    void *userData = nullptr;
};

// Installs the hook for the whole process and gives the calling thread its alternate stack.
// Call once, early, before other threads start. Returns false (and installs nothing) when the
// options cannot be used: no dump folder, a name pattern with '/' or an unknown field, or names
// too long for the prepared buffers.
bool install(const Options &options);

// Gives the calling thread an alternate signal stack, so that a stack overflow on it still
// produces a dump. Threads that can overflow their stack call it once at their start; the stack
// is released when the thread ends. Safe to call more than once.
void prepareThisThread();

// The local calendar time of a moment (seconds since 1970 UTC) by the zone offsets prepared at
// install: the offset in force at install, or the next one from the change it takes effect.
// Before install, UTC. Async-signal-safe, for crash callbacks that show file times.
LocalTime localTimeOf(std::int64_t utcSeconds);

} // namespace crash
