#include "crashhandler.h"

#include "altstack.h"

#include <csignal>
#include <cstring>
#include <exception>
#include <sys/syscall.h>
#include <unistd.h>

namespace crash {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};

void onFatalSignal(int signal, siginfo_t *, void *)
{
    struct sigaction standard
    {
    };
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    syscall(SYS_tgkill, getpid(), syscall(SYS_gettid), signal);
}

} // namespace

bool install(const Options &options)
{
    if (options.dumpFolders.empty())
        return false;
    ensureAlternateStack();
    struct sigaction action
    {
    };
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kFatalSignals)
        sigaction(signal, &action, nullptr);
    return true;
}

void prepareThisThread()
{
    ensureAlternateStack();
}

} // namespace crash
