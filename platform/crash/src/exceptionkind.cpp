#include "exceptionkind.h"

#include <csignal>

namespace crash {

namespace {

constexpr ExceptionKind kind(std::uint32_t code, const char *name)
{
    return ExceptionKind{code, name};
}

ExceptionKind forSegv(bool inStackGuard)
{
    return inStackGuard ? kind(kStackOverflow, "STACK_OVERFLOW")
                        : kind(kAccessViolation, "ACCESS_VIOLATION");
}

ExceptionKind forBus(int code)
{
    switch (code) {
    case BUS_ADRALN:
        return kind(kDatatypeMisalignment, "DATATYPE_MISALIGNMENT");
    case BUS_ADRERR:
    case BUS_OBJERR:
    case BUS_MCEERR_AR:
    case BUS_MCEERR_AO:
        // The page behind the address could not be brought in (a truncated mapped file, a
        // hardware memory error).
        return kind(kInPageError, "IN_PAGE_ERROR");
    default:
        return kind(kAccessViolation, "ACCESS_VIOLATION");
    }
}

ExceptionKind forFpe(int code)
{
    switch (code) {
    case FPE_INTDIV:
        return kind(kIntDivideByZero, "INT_DIVIDE_BY_ZERO");
    case FPE_INTOVF:
        return kind(kIntOverflow, "INT_OVERFLOW");
    case FPE_FLTDIV:
        return kind(kFltDivideByZero, "FLT_DIVIDE_BY_ZERO");
    case FPE_FLTOVF:
        return kind(kFltOverflow, "FLT_OVERFLOW");
    case FPE_FLTUND:
        return kind(kFltUnderflow, "FLT_UNDERFLOW");
    case FPE_FLTRES:
        return kind(kFltInexactResult, "FLT_INEXACT_RESULT");
    case FPE_FLTSUB:
        return kind(kArrayBoundsExceeded, "ARRAY_BOUNDS_EXCEEDED");
    default:
        // FPE_FLTINV, an undiagnosed floating-point trap, or SIGFPE sent by a process.
        return kind(kFltInvalidOperation, "FLT_INVALID_OPERATION");
    }
}

ExceptionKind forIll(int code)
{
    if (code == ILL_PRVOPC || code == ILL_PRVREG)
        return kind(kPrivInstruction, "PRIV_INSTRUCTION");
    return kind(kIllegalInstruction, "ILLEGAL_INSTRUCTION");
}

ExceptionKind forTrap(int code)
{
    // int3 arrives as SI_KERNEL on x86-64; only tracing and hardware breakpoints are steps.
    if (code == TRAP_TRACE || code == TRAP_HWBKPT)
        return kind(kSingleStep, "SINGLE_STEP");
    return kind(kBreakpoint, "BREAKPOINT");
}

} // namespace

ExceptionKind exceptionForSignal(int signal, int signalCode, bool inStackGuard)
{
    switch (signal) {
    case SIGSEGV:
        return forSegv(inStackGuard);
    case SIGBUS:
        return forBus(signalCode);
    case SIGFPE:
        return forFpe(signalCode);
    case SIGILL:
        return forIll(signalCode);
    case SIGTRAP:
        return forTrap(signalCode);
    case SIGABRT:
        return kind(kFatalAppExit, "Aborted");
    default:
        return kind(0, "Unknown signal");
    }
}

ExceptionKind uncaughtCppException()
{
    return kind(kCppException, "Unhandled C++ exception");
}

} // namespace crash
