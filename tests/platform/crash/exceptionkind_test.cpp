#include "exceptionkind.h"
#include "stackguard.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

namespace {

struct SignalCase
{
    int signal;
    int signalCode;
    bool inStackGuard;
    std::uint32_t code;
    const char *name;
};

TEST(ExceptionKind, MapsEachFatalSignalToItsReportCodeAndName)
{
    const SignalCase cases[] = {
        {SIGSEGV, SEGV_MAPERR, false, 0xC0000005, "ACCESS_VIOLATION"},
        {SIGSEGV, SEGV_ACCERR, false, 0xC0000005, "ACCESS_VIOLATION"},
        {SIGSEGV, SEGV_MAPERR, true, 0xC00000FD, "STACK_OVERFLOW"},
        {SIGSEGV, SEGV_ACCERR, true, 0xC00000FD, "STACK_OVERFLOW"},
        {SIGSEGV, SI_USER, false, 0xC0000005, "ACCESS_VIOLATION"},
        {SIGBUS, BUS_ADRALN, false, 0x80000002, "DATATYPE_MISALIGNMENT"},
        {SIGBUS, BUS_ADRERR, false, 0xC0000006, "IN_PAGE_ERROR"},
        {SIGBUS, BUS_OBJERR, false, 0xC0000006, "IN_PAGE_ERROR"},
        {SIGFPE, FPE_INTDIV, false, 0xC0000094, "INT_DIVIDE_BY_ZERO"},
        {SIGFPE, FPE_INTOVF, false, 0xC0000095, "INT_OVERFLOW"},
        {SIGFPE, FPE_FLTDIV, false, 0xC000008E, "FLT_DIVIDE_BY_ZERO"},
        {SIGFPE, FPE_FLTOVF, false, 0xC0000091, "FLT_OVERFLOW"},
        {SIGFPE, FPE_FLTUND, false, 0xC0000093, "FLT_UNDERFLOW"},
        {SIGFPE, FPE_FLTRES, false, 0xC000008F, "FLT_INEXACT_RESULT"},
        {SIGFPE, FPE_FLTINV, false, 0xC0000090, "FLT_INVALID_OPERATION"},
        {SIGFPE, FPE_FLTSUB, false, 0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
        {SIGFPE, SI_USER, false, 0xC0000090, "FLT_INVALID_OPERATION"},
        {SIGILL, ILL_ILLOPC, false, 0xC000001D, "ILLEGAL_INSTRUCTION"},
        {SIGILL, ILL_PRVOPC, false, 0xC0000096, "PRIV_INSTRUCTION"},
        {SIGILL, ILL_PRVREG, false, 0xC0000096, "PRIV_INSTRUCTION"},
        {SIGTRAP, SI_KERNEL, false, 0x80000003, "BREAKPOINT"},
        {SIGTRAP, TRAP_BRKPT, false, 0x80000003, "BREAKPOINT"},
        {SIGTRAP, TRAP_TRACE, false, 0x80000004, "SINGLE_STEP"},
        {SIGABRT, SI_TKILL, false, 0x40000015, "Aborted"},
        // The stack-guard flag only means something for SIGSEGV.
        {SIGBUS, BUS_ADRALN, true, 0x80000002, "DATATYPE_MISALIGNMENT"},
    };
    for (const SignalCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "signal " << c.signal << " si_code " << c.signalCode
                                        << " guard " << c.inStackGuard);
        const crash::ExceptionKind kind =
            crash::exceptionForSignal(c.signal, c.signalCode, c.inStackGuard);
        EXPECT_EQ(kind.code, c.code);
        EXPECT_STREQ(kind.name, c.name);
    }
    EXPECT_EQ(crash::uncaughtCppException().code, 0xE06D7363u);
}

// The report's name for each code of the table, codes that no signal maps to included; a code
// outside it takes the system's text, and with none the name is empty rather than a left-over.
TEST(ExceptionKind, NamesEveryCodeOfTheTable)
{
    const struct
    {
        std::uint32_t code;
        const char *name; // null: the system's text
    } cases[] = {
        {0xC0000005, "ACCESS_VIOLATION"},
        {0x80000001, "GUARD_PAGE"},
        {0x80000002, "DATATYPE_MISALIGNMENT"},
        {0x80000003, "BREAKPOINT"},
        {0x80000004, "SINGLE_STEP"},
        {0xC0000006, "IN_PAGE_ERROR"},
        {0xC0000008, "INVALID_HANDLE"},
        {0xC0000017, nullptr},
        {0xC000001D, "ILLEGAL_INSTRUCTION"},
        {0xC0000025, "NONCONTINUABLE_EXCEPTION"},
        {0xC0000026, "INVALID_DISPOSITION"},
        {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
        {0xC000008D, "FLT_DENORMAL_OPERAND"},
        {0xC000008E, "FLT_DIVIDE_BY_ZERO"},
        {0xC000008F, "FLT_INEXACT_RESULT"},
        {0xC0000090, "FLT_INVALID_OPERATION"},
        {0xC0000091, "FLT_OVERFLOW"},
        {0xC0000092, "FLT_STACK_CHECK"},
        {0xC0000093, "FLT_UNDERFLOW"},
        {0xC0000094, "INT_DIVIDE_BY_ZERO"},
        {0xC0000095, "INT_OVERFLOW"},
        {0xC0000096, "PRIV_INSTRUCTION"},
        {0xC00000FD, "STACK_OVERFLOW"},
        {0xE06D7363, nullptr},
        {0x40000015, nullptr},
        {0x12345678, nullptr},
    };
    for (const auto &c : cases) {
        EXPECT_STREQ(crash::exceptionCodeName(c.code, "system text"),
                     c.name ? c.name : "system text")
            << std::hex << c.code;
        EXPECT_STREQ(crash::exceptionCodeName(c.code), c.name ? c.name : "") << std::hex << c.code;
    }
}

TEST(ExceptionKind, TakesOnlyInaccessibleMemoryNearTheStackPointerForTheGuard)
{
    constexpr std::uintptr_t sp = 0x7ffd00100000;
    const struct
    {
        std::uintptr_t fault;
        bool accessible;
        bool guard;
    } cases[] = {
        {sp - 8, false, true},         // a call pushing below the last page
        {sp + 512, false, true},       // a frame already below the stack's end
        {sp - 64 * 1024, false, true}, // the reach's edge
        {sp - 64 * 1024 - 1, false, false},
        {sp - 8, true, false}, // a plain bad write into mapped memory
        {0, false, false},     // a null pointer
        {0x10, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.fault << " accessible " << c.accessible);
        EXPECT_EQ(crash::isStackGuardFault(c.fault, sp, c.accessible), c.guard);
    }
}

} // namespace
