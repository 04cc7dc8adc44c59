#pragma once

#include "crashhandler.h"

#include <cstdint>

// One class per exception code, all catchable as se_translator::exception. A fault here arrives
// as a signal, and a C++ exception cannot be thrown out of a signal handler, so the crash path
// never throws these: the crash handler names the fault by its code, and translateSeException
// gives the class that a code stands for to code that wants to handle such an exception.
namespace se_translator {

class exception
{
public:
    explicit exception(const crash::CrashContext *information = nullptr)
        : m_information(information)
    {
    }
    // What the crash handler learned about the fault: signal, code, registers.
    const crash::CrashContext *information() const { return m_information; }

private:
    const crash::CrashContext *m_information;
};

#define SE_TRANSLATOR_CLASS(name)                                                                  \
    class name : public exception                                                                  \
    {                                                                                              \
    public:                                                                                        \
        using exception::exception;                                                                \
    };

SE_TRANSLATOR_CLASS(access_violation)
SE_TRANSLATOR_CLASS(guard_page)
SE_TRANSLATOR_CLASS(datatype_misalignment)
SE_TRANSLATOR_CLASS(breakpoint)
SE_TRANSLATOR_CLASS(single_step)
SE_TRANSLATOR_CLASS(in_page_error)
SE_TRANSLATOR_CLASS(invalid_handle)
SE_TRANSLATOR_CLASS(no_memory)
SE_TRANSLATOR_CLASS(illegal_instruction)
SE_TRANSLATOR_CLASS(noncontinuable_exception)
SE_TRANSLATOR_CLASS(invalid_disposition)
SE_TRANSLATOR_CLASS(array_bounds_exceeded)
SE_TRANSLATOR_CLASS(flt_denormal_operand)
SE_TRANSLATOR_CLASS(flt_divide_by_zero)
SE_TRANSLATOR_CLASS(flt_inexact_result)
SE_TRANSLATOR_CLASS(flt_invalid_operation)
SE_TRANSLATOR_CLASS(flt_overflow)
SE_TRANSLATOR_CLASS(flt_stack_check)
SE_TRANSLATOR_CLASS(flt_underflow)
SE_TRANSLATOR_CLASS(int_divide_by_zero)
SE_TRANSLATOR_CLASS(int_overflow)
SE_TRANSLATOR_CLASS(priv_instruction)
SE_TRANSLATOR_CLASS(stack_overflow)
SE_TRANSLATOR_CLASS(microsoft_cpp)

#undef SE_TRANSLATOR_CLASS

// Hands `handler` an object of the class that stands for `code` (the base class for a code of
// none), holding `information`. Nothing is thrown or allocated, so it may run at crash time.
template <typename Handler>
void translateSeException(std::uint32_t code, const crash::CrashContext *information,
                          Handler &&handler)
{
    switch (code) {
    case crash::kAccessViolation:
        handler(access_violation(information));
        return;
    case crash::kGuardPage:
        handler(guard_page(information));
        return;
    case crash::kDatatypeMisalignment:
        handler(datatype_misalignment(information));
        return;
    case crash::kBreakpoint:
        handler(breakpoint(information));
        return;
    case crash::kSingleStep:
        handler(single_step(information));
        return;
    case crash::kInPageError:
        handler(in_page_error(information));
        return;
    case crash::kInvalidHandle:
        handler(invalid_handle(information));
        return;
    case crash::kNoMemory:
        handler(no_memory(information));
        return;
    case crash::kIllegalInstruction:
        handler(illegal_instruction(information));
        return;
    case crash::kNoncontinuableException:
        handler(noncontinuable_exception(information));
        return;
    case crash::kInvalidDisposition:
        handler(invalid_disposition(information));
        return;
    case crash::kArrayBoundsExceeded:
        handler(array_bounds_exceeded(information));
        return;
    case crash::kFltDenormalOperand:
        handler(flt_denormal_operand(information));
        return;
    case crash::kFltDivideByZero:
        handler(flt_divide_by_zero(information));
        return;
    case crash::kFltInexactResult:
        handler(flt_inexact_result(information));
        return;
    case crash::kFltInvalidOperation:
        handler(flt_invalid_operation(information));
        return;
    case crash::kFltOverflow:
        handler(flt_overflow(information));
        return;
    case crash::kFltStackCheck:
        handler(flt_stack_check(information));
        return;
    case crash::kFltUnderflow:
        handler(flt_underflow(information));
        return;
    case crash::kIntDivideByZero:
        handler(int_divide_by_zero(information));
        return;
    case crash::kIntOverflow:
        handler(int_overflow(information));
        return;
    case crash::kPrivInstruction:
        handler(priv_instruction(information));
        return;
    case crash::kStackOverflow:
        handler(stack_overflow(information));
        return;
    case crash::kCppException:
        handler(microsoft_cpp(information));
        return;
    default:
        handler(exception(information));
        return;
    }
}

} // namespace se_translator
