#pragma once

#include <cstdint>

namespace crash {

// The exception code and name under which a fatal signal is reported. The codes are the ones the
// program's reports have always carried, so that reports from every platform read alike.
struct ExceptionKind
{
    std::uint32_t code;
    const char *name; // static text, never null
};

inline constexpr std::uint32_t kAccessViolation = 0xC0000005;
inline constexpr std::uint32_t kGuardPage = 0x80000001;
inline constexpr std::uint32_t kDatatypeMisalignment = 0x80000002;
inline constexpr std::uint32_t kBreakpoint = 0x80000003;
inline constexpr std::uint32_t kSingleStep = 0x80000004;
inline constexpr std::uint32_t kInPageError = 0xC0000006;
inline constexpr std::uint32_t kInvalidHandle = 0xC0000008;
inline constexpr std::uint32_t kNoMemory = 0xC0000017;
inline constexpr std::uint32_t kIllegalInstruction = 0xC000001D;
inline constexpr std::uint32_t kNoncontinuableException = 0xC0000025;
inline constexpr std::uint32_t kInvalidDisposition = 0xC0000026;
inline constexpr std::uint32_t kArrayBoundsExceeded = 0xC000008C;
inline constexpr std::uint32_t kFltDenormalOperand = 0xC000008D;
inline constexpr std::uint32_t kFltDivideByZero = 0xC000008E;
inline constexpr std::uint32_t kFltInexactResult = 0xC000008F;
inline constexpr std::uint32_t kFltInvalidOperation = 0xC0000090;
inline constexpr std::uint32_t kFltOverflow = 0xC0000091;
inline constexpr std::uint32_t kFltStackCheck = 0xC0000092;
inline constexpr std::uint32_t kFltUnderflow = 0xC0000093;
inline constexpr std::uint32_t kIntDivideByZero = 0xC0000094;
inline constexpr std::uint32_t kIntOverflow = 0xC0000095;
inline constexpr std::uint32_t kPrivInstruction = 0xC0000096;
inline constexpr std::uint32_t kStackOverflow = 0xC00000FD;
inline constexpr std::uint32_t kFatalAppExit = 0x40000015;
inline constexpr std::uint32_t kCppException = 0xE06D7363;

// Maps a fatal signal (number and si_code) to its report code and name. `inStackGuard` tells a
// SIGSEGV that hit the guard below a thread's stack (a stack overflow) from any other bad access.
// Pure and async-signal-safe.
ExceptionKind exceptionForSignal(int signal, int signalCode, bool inStackGuard);

// The kind reported for a C++ exception that nothing caught.
ExceptionKind uncaughtCppException();

// The name a report gives an exception code: the table's own name ("ACCESS_VIOLATION", ...), or
// for a code outside it `otherwise` (the system's text for it), "" when that is null. Codes that
// no signal maps to (GUARD_PAGE, INVALID_HANDLE, ...) keep their names all the same. Pure and
// async-signal-safe; the result is static text or `otherwise`.
const char *exceptionCodeName(std::uint32_t code, const char *otherwise = nullptr);

} // namespace crash
