#include "exceptionkind.h"

#include <csignal>

namespace crash {

namespace {

struct CodeName
{
    std::uint32_t code;
    const char *name;
};

constexpr CodeName kNames[] = {
    {kAccessViolation, "ACCESS_VIOLATION"},
    {kGuardPage, "GUARD_PAGE"},
    {kDatatypeMisalignment, "DATATYPE_MISALIGNMENT"},
    {kBreakpoint, "BREAKPOINT"},
    {kSingleStep, "SINGLE_STEP"},
    {kInPageError, "IN_PAGE_ERROR"},
    {kInvalidHandle, "INVALID_HANDLE"},
    {kIllegalInstruction, "ILLEGAL_INSTRUCTION"},
    {kNoncontinuableException, "NONCONTINUABLE_EXCEPTION"},
    {kInvalidDisposition, "INVALID_DISPOSITION"},
    {kArrayBoundsExceeded, "ARRAY_BOUNDS_EXCEEDED"},
    {kFltDenormalOperand, "FLT_DENORMAL_OPERAND"},
    {kFltDivideByZero, "FLT_DIVIDE_BY_ZERO"},
    {kFltInexactResult, "FLT_INEXACT_RESULT"},
    {kFltInvalidOperation, "FLT_INVALID_OPERATION"},
    {kFltOverflow, "FLT_OVERFLOW"},
    {kFltStackCheck, "FLT_STACK_CHECK"},
    {kFltUnderflow, "FLT_UNDERFLOW"},
    {kIntDivideByZero, "INT_DIVIDE_BY_ZERO"},
    {kIntOverflow, "INT_OVERFLOW"},
    {kPrivInstruction, "PRIV_INSTRUCTION"},
    {kStackOverflow, "STACK_OVERFLOW"},
};

// A code of the table, by its table name.
constexpr ExceptionKind named(std::uint32_t code)
{
    for (const CodeName &entry : kNames) {
        if (entry.code == code)
            return ExceptionKind{code, entry.name};
    }
    return ExceptionKind{code, ""};
}

ExceptionKind forSegv(bool inStackGuard)
{
    return named(inStackGuard ? kStackOverflow : kAccessViolation);
}

ExceptionKind forBus(int code)
{
    switch (code) {
    case BUS_ADRALN:
        return named(kDatatypeMisalignment);
    case BUS_ADRERR:
    case BUS_OBJERR:
    case BUS_MCEERR_AR:
    case BUS_MCEERR_AO:
        // The page behind the address could not be brought in (a truncated mapped file, a
        // hardware memory error).
        return named(kInPageError);
    default:
        return named(kAccessViolation);
    }
}

ExceptionKind forFpe(int code)
{
    switch (code) {
    case FPE_INTDIV:
        return named(kIntDivideByZero);
    case FPE_INTOVF:
        return named(kIntOverflow);
    case FPE_FLTDIV:
        return named(kFltDivideByZero);
    case FPE_FLTOVF:
        return named(kFltOverflow);
    case FPE_FLTUND:
        return named(kFltUnderflow);
    case FPE_FLTRES:
        return named(kFltInexactResult);
    case FPE_FLTSUB:
        return named(kArrayBoundsExceeded);
    default:
        // FPE_FLTINV, an undiagnosed floating-point trap, or SIGFPE sent by a process.
        return named(kFltInvalidOperation);
    }
}

ExceptionKind forIll(int code)
{
    if (code == ILL_PRVOPC || code == ILL_PRVREG)
        return named(kPrivInstruction);
    return named(kIllegalInstruction);
}

ExceptionKind forTrap(int code)
{
    // int3 arrives as SI_KERNEL on x86-64; only tracing and hardware breakpoints are steps.
    if (code == TRAP_TRACE || code == TRAP_HWBKPT)
        return named(kSingleStep);
    return named(kBreakpoint);
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
        // Codes outside the table carry the system's own text for them.
        return ExceptionKind{kFatalAppExit, "Aborted"};
    default:
        return ExceptionKind{0, "Unknown signal"};
    }
}

ExceptionKind uncaughtCppException()
{
    return ExceptionKind{kCppException, "Unhandled C++ exception"};
}

const char *exceptionCodeName(std::uint32_t code, const char *otherwise)
{
    const char *name = named(code).name;
    if (*name)
        return name;
    // Never a name left over from another code: one look-up, one answer.
    return otherwise ? otherwise : "";
}

} // namespace crash
