#include "crashhandler.h"

#include "altstack.h"
#include "dumpname.h"
#include "localclock.h"
#include "minidumpwriter.h"
#include "procmaps.h"
#include "safememory.h"
#include "stackguard.h"
#include "stackwalk.h"
#include "textbuffer.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace crash {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr std::size_t kMaxFolders = 8;
constexpr std::size_t kNameCapacity = 256;
constexpr const char kPartialSuffix[] = ".part";

// Everything the handler reads, filled by install() and only read at crash time.
struct HandlerState
{
    char folders[kMaxFolders][PATH_MAX];
    std::size_t folderCount = 0;
    char programName[kNameCapacity];
    char version[kNameCapacity];
    char pattern[kNameCapacity];
    bool dataSegments = false;
    CrashCallback beforeDump = nullptr;
    CrashCallback afterDump = nullptr;
    void *userData = nullptr;
    ClockPlan clock;
    std::uintptr_t argumentsStart = 0;
    SystemFacts facts;
    DumpScratch scratch;
    // Written at crash time by the one thread that handles the crash.
    char dumpFolder[PATH_MAX];
    char dumpPath[PATH_MAX];
    char partialPath[PATH_MAX];
};

HandlerState g_state;
// Kernel id of the thread that is handling a crash, 0 while none is.
std::atomic<long> g_handlingThread{0};

// Set by the terminate hook just before it aborts.
std::exception_ptr g_uncaught;
std::terminate_handler g_previousTerminate = nullptr;
const char *volatile g_uncaughtType = nullptr;
const char *volatile g_uncaughtWhat = nullptr;

long currentThreadId()
{
    return static_cast<long>(syscall(SYS_gettid));
}

bool copyText(char *to, std::size_t capacity, const std::string &from)
{
    if (from.size() + 1 > capacity || from.find('\0') != std::string::npos)
        return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

bool joinPath(char *out, std::size_t capacity, const char *folder, const char *name,
              const char *suffix = "")
{
    TextBuffer path(out, capacity);
    path.text(folder);
    if (path.length() == 0 || folder[path.length() - 1] != '/')
        path.character('/');
    path.text(name).text(suffix);
    return !path.cut();
}

// Creates the folder (one level) and the partial dump file in it. Returns the descriptor.
int openInFolder(const char *folder, const char *name)
{
    if (mkdir(folder, 0755) != 0 && errno != EEXIST)
        return -1;
    if (!joinPath(g_state.partialPath, sizeof g_state.partialPath, folder, name, kPartialSuffix) ||
        !joinPath(g_state.dumpPath, sizeof g_state.dumpPath, folder, name))
        return -1;
    // A dump holds the process's stack and data, which may carry the user's secrets.
    return open(g_state.partialPath, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// Writes the dump under a partial name and renames it into place once complete, so that a
// reader never sees a half-written dump under the real name.
bool writeDump(const DumpRequest &request, const char *name)
{
    for (std::size_t i = 0; i < g_state.folderCount; ++i) {
        const int fd = openInFolder(g_state.folders[i], name);
        if (fd < 0)
            continue;
        const bool written = writeMinidump(fd, request, g_state.facts, g_state.scratch);
        // On disk before the name says it is complete; a file system that cannot sync still
        // gets the dump.
        if (written)
            fsync(fd);
        close(fd);
        if (written && rename(g_state.partialPath, g_state.dumpPath) == 0) {
            TextBuffer folder(g_state.dumpFolder, sizeof g_state.dumpFolder);
            folder.text(g_state.folders[i]);
            return true;
        }
        unlink(g_state.partialPath);
    }
    g_state.dumpPath[0] = '\0';
    return false;
}

// Puts the default action back and sends the signal again: it is delivered when the handler
// returns and the signal is unblocked, so the process ends by it as it would have without the
// hook. A fault from an instruction also recurs when that instruction runs again.
void endBySignal(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    syscall(SYS_tgkill, getpid(), currentThreadId(), signal);
}

void onFatalSignal(int signal, siginfo_t *info, void *contextPointer)
{
    const int savedErrno = errno;
    const long tid = currentThreadId();
    long idle = 0;
    if (!g_handlingThread.compare_exchange_strong(idle, tid)) {
        if (idle == tid) {
            // A fault inside the handling itself: give up on the dump.
            endBySignal(signal);
            return;
        }
        // Another thread is writing its dump and will end the process; wait for that.
        for (;;) {
            timespec pause{1, 0};
            nanosleep(&pause, nullptr);
        }
    }

    const auto *context = static_cast<const ucontext_t *>(contextPointer);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);

    DumpScratch &scratch = g_state.scratch;
    scratch.mapsLength = readProcFile("/proc/self/maps", scratch.maps, scratch.mapsCapacity);

    const int signalCode = info ? info->si_code : 0;
    // Only the kernel's own signals carry an address; for one sent by a process the field holds
    // the sender's id.
    const auto faultAddress =
        reinterpret_cast<std::uintptr_t>(info && signalCode > 0 ? info->si_addr : nullptr);
    const std::uintptr_t stackPointer =
        context ? static_cast<std::uintptr_t>(context->uc_mcontext.gregs[REG_RSP]) : 0;
    std::uintptr_t stackBegin = 0, stackEnd = 0;
    if (!findStackRange(scratch.maps, scratch.mapsLength, stackPointer, g_state.argumentsStart,
                        stackBegin, stackEnd))
        stackBegin = stackEnd = 0;
    bool inGuard = false;
    if (signal == SIGSEGV && context) {
        Mapping mapping;
        const bool accessible =
            findMapping(scratch.maps, scratch.mapsLength, faultAddress, mapping) &&
            (mapping.readable || mapping.writable);
        inGuard = isStackGuardFault(faultAddress, stackPointer, accessible);
    }

    CrashContext crash{};
    crash.signal = signal;
    crash.signalCode = signalCode;
    crash.faultAddress = reinterpret_cast<const void *>(faultAddress);
    crash.exception = exceptionForSignal(signal, signalCode, inGuard);
    crash.uncaughtType = g_uncaughtType;
    crash.uncaughtWhat = g_uncaughtWhat;
    if (signal == SIGABRT && crash.uncaughtType)
        crash.exception = uncaughtCppException();
    crash.context = context;
    crash.pid = static_cast<long>(getpid());
    crash.tid = tid;
    crash.time = localTimeAt(now.tv_sec, g_state.clock);
    crash.dumpFolder = "";
    crash.dumpPath = "";
    crash.stackBegin = stackBegin;
    crash.stackEnd = stackEnd;
    crash.maps = scratch.maps;
    crash.mapsLength = scratch.mapsLength;
    crash.system = &g_state.facts;

    if (g_state.beforeDump)
        g_state.beforeDump(crash, g_state.userData);

    char name[kNameCapacity * 3];
    const DumpNameFields fields{g_state.programName, g_state.version, crash.time, crash.pid, tid};
    if (context && formatDumpName(name, sizeof name, g_state.pattern, fields)) {
        DumpRequest request;
        request.signal = signal;
        request.signalCode = signalCode;
        request.faultAddress = faultAddress;
        request.context = context;
        request.pid = static_cast<pid_t>(crash.pid);
        request.tid = static_cast<pid_t>(tid);
        request.time = now.tv_sec;
        request.dataSegments = g_state.dataSegments;
        request.stackBegin = stackBegin;
        request.stackEnd = stackEnd;
        if (writeDump(request, name)) {
            crash.dumpFolder = g_state.dumpFolder;
            crash.dumpPath = g_state.dumpPath;
        }
    }

    if (g_state.afterDump)
        g_state.afterDump(crash, g_state.userData);

    endBySignal(signal);
    errno = savedErrno;
}

// An exception that nothing catches ends here while its throwing frames are still on the stack
// (the unwinder found no handler and did not unwind), so the abort's dump shows the thrower.
[[noreturn]] void onTerminate()
{
    g_uncaught = std::current_exception();
    if (g_uncaught) {
        if (const std::type_info *type = abi::__cxa_current_exception_type())
            g_uncaughtType = type->name();
        try {
            std::rethrow_exception(g_uncaught);
        } catch (const std::exception &e) {
            g_uncaughtWhat = e.what();
        } catch (...) {
        }
    }
    // The standard handler tells on standard error what was thrown, then aborts.
    if (g_previousTerminate)
        g_previousTerminate();
    std::abort();
}

bool validName(const std::string &text)
{
    return text.find('/') == std::string::npos;
}

} // namespace

bool install(const Options &options)
{
    if (options.dumpFolders.empty() || options.dumpFolders.size() > kMaxFolders ||
        !validName(options.programName) || !validName(options.version) ||
        !isValidDumpNamePattern(options.fileNamePattern.c_str()))
        return false;
    std::vector<std::string> folders;
    for (const std::string &folder : options.dumpFolders) {
        // A relative folder would be taken from wherever the process happens to be at the crash.
        std::error_code error;
        const std::string absolute =
            folder.empty() ? std::string() : std::filesystem::absolute(folder, error).string();
        // Room for the separator, the file name and the partial suffix.
        if (absolute.empty() || error || absolute.find('\0') != std::string::npos ||
            absolute.size() + 1 + 3 * kNameCapacity + sizeof kPartialSuffix >= PATH_MAX)
            return false;
        folders.push_back(absolute);
    }
    if (options.programName.size() >= kNameCapacity || options.version.size() >= kNameCapacity ||
        options.fileNamePattern.size() >= kNameCapacity)
        return false;
    if (!allocateDumpScratch(g_state.scratch) || !prepareMemoryReads())
        return false;

    for (std::size_t i = 0; i < folders.size(); ++i)
        copyText(g_state.folders[i], PATH_MAX, folders[i]);
    g_state.folderCount = folders.size();
    copyText(g_state.programName, kNameCapacity, options.programName);
    copyText(g_state.version, kNameCapacity, options.version);
    copyText(g_state.pattern, kNameCapacity, options.fileNamePattern);
    g_state.dataSegments = options.includeDataSegments;
    g_state.beforeDump = options.beforeDump;
    g_state.afterDump = options.afterDump;
    g_state.userData = options.userData;
    g_state.clock = planLocalClock(static_cast<std::int64_t>(std::time(nullptr)));
    g_state.facts = collectSystemFacts();
    g_state.argumentsStart = startOfProcessArguments();
    prepareStackWalk();

    ensureAlternateStack();
    struct sigaction action = {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    // A second fault while the dump is written ends the process instead of re-entering.
    for (int signal : kFatalSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kFatalSignals)
        sigaction(signal, &action, nullptr);
    const std::terminate_handler previous = std::set_terminate(onTerminate);
    if (previous != onTerminate)
        g_previousTerminate = previous;
    return true;
}

void prepareThisThread()
{
    ensureAlternateStack();
}

LocalTime localTimeOf(std::int64_t utcSeconds)
{
    return localTimeAt(utcSeconds, g_state.clock);
}

} // namespace crash
