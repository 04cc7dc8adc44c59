#include "exceptioncodename.h"

#include "exceptionkind.h"
#include "seexception.h"

namespace {

struct CodeName
{
    std::uint32_t code;
    const char *name;
};

constexpr CodeName kNames[] = {
    {crash::kAccessViolation, "ACCESS_VIOLATION"},
    {se_translator::kGuardPage, "GUARD_PAGE"},
    {crash::kDatatypeMisalignment, "DATATYPE_MISALIGNMENT"},
    {crash::kBreakpoint, "BREAKPOINT"},
    {crash::kSingleStep, "SINGLE_STEP"},
    {crash::kInPageError, "IN_PAGE_ERROR"},
    {se_translator::kInvalidHandle, "INVALID_HANDLE"},
    {crash::kIllegalInstruction, "ILLEGAL_INSTRUCTION"},
    {se_translator::kNoncontinuableException, "NONCONTINUABLE_EXCEPTION"},
    {se_translator::kInvalidDisposition, "INVALID_DISPOSITION"},
    {crash::kArrayBoundsExceeded, "ARRAY_BOUNDS_EXCEEDED"},
    {crash::kFltDenormalOperand, "FLT_DENORMAL_OPERAND"},
    {crash::kFltDivideByZero, "FLT_DIVIDE_BY_ZERO"},
    {crash::kFltInexactResult, "FLT_INEXACT_RESULT"},
    {crash::kFltInvalidOperation, "FLT_INVALID_OPERATION"},
    {crash::kFltOverflow, "FLT_OVERFLOW"},
    {crash::kFltStackCheck, "FLT_STACK_CHECK"},
    {crash::kFltUnderflow, "FLT_UNDERFLOW"},
    {crash::kIntDivideByZero, "INT_DIVIDE_BY_ZERO"},
    {crash::kIntOverflow, "INT_OVERFLOW"},
    {crash::kPrivInstruction, "PRIV_INSTRUCTION"},
    {crash::kStackOverflow, "STACK_OVERFLOW"},
};

} // namespace

const char *exceptionCodeName(std::uint32_t code, const char *systemText)
{
    for (const CodeName &entry : kNames) {
        if (entry.code == code)
            return entry.name;
    }
    // Never a name left over from another code: one look-up, one answer.
    return systemText ? systemText : "";
}
