#include "crash/exceptioncodename.h"
#include "crash/seexception.h"

#include <gtest/gtest.h>

#include <string>
#include <typeindex>

namespace {

// Each code reaches its own class and the report's name for it; codes the report has no name
// for take the system's text, and with none the name is empty rather than a left-over one.
TEST(SeException, EachCodeHasItsClassAndReportName)
{
    using namespace se_translator;
    const struct
    {
        std::uint32_t code;
        std::type_index type;
        const char *name; // null: the system's text
    } cases[] = {
        {0xC0000005, typeid(access_violation), "ACCESS_VIOLATION"},
        {0x80000001, typeid(guard_page), "GUARD_PAGE"},
        {0x80000002, typeid(datatype_misalignment), "DATATYPE_MISALIGNMENT"},
        {0x80000003, typeid(breakpoint), "BREAKPOINT"},
        {0x80000004, typeid(single_step), "SINGLE_STEP"},
        {0xC0000006, typeid(in_page_error), "IN_PAGE_ERROR"},
        {0xC0000008, typeid(invalid_handle), "INVALID_HANDLE"},
        {0xC0000017, typeid(no_memory), nullptr},
        {0xC000001D, typeid(illegal_instruction), "ILLEGAL_INSTRUCTION"},
        {0xC0000025, typeid(noncontinuable_exception), "NONCONTINUABLE_EXCEPTION"},
        {0xC0000026, typeid(invalid_disposition), "INVALID_DISPOSITION"},
        {0xC000008C, typeid(array_bounds_exceeded), "ARRAY_BOUNDS_EXCEEDED"},
        {0xC000008D, typeid(flt_denormal_operand), "FLT_DENORMAL_OPERAND"},
        {0xC000008E, typeid(flt_divide_by_zero), "FLT_DIVIDE_BY_ZERO"},
        {0xC000008F, typeid(flt_inexact_result), "FLT_INEXACT_RESULT"},
        {0xC0000090, typeid(flt_invalid_operation), "FLT_INVALID_OPERATION"},
        {0xC0000091, typeid(flt_overflow), "FLT_OVERFLOW"},
        {0xC0000092, typeid(flt_stack_check), "FLT_STACK_CHECK"},
        {0xC0000093, typeid(flt_underflow), "FLT_UNDERFLOW"},
        {0xC0000094, typeid(int_divide_by_zero), "INT_DIVIDE_BY_ZERO"},
        {0xC0000095, typeid(int_overflow), "INT_OVERFLOW"},
        {0xC0000096, typeid(priv_instruction), "PRIV_INSTRUCTION"},
        {0xC00000FD, typeid(stack_overflow), "STACK_OVERFLOW"},
        {0xE06D7363, typeid(microsoft_cpp), nullptr},
        {0x40000015, typeid(exception), nullptr},
        {0x12345678, typeid(exception), nullptr},
    };
    const crash::CrashContext information{};
    for (const auto &c : cases) {
        std::type_index seen = typeid(void);
        const crash::CrashContext *held = nullptr;
        translateSeException(c.code, &information, [&](const auto &e) {
            seen = typeid(e);
            held = e.information();
        });
        EXPECT_EQ(seen, c.type) << std::hex << c.code;
        EXPECT_EQ(held, &information) << std::hex << c.code;
        EXPECT_STREQ(exceptionCodeName(c.code, "system text"), c.name ? c.name : "system text")
            << std::hex << c.code;
        EXPECT_STREQ(exceptionCodeName(c.code, nullptr), c.name ? c.name : "")
            << std::hex << c.code;
    }
}

// Code that handles faults in normal flow catches every class as the base.
TEST(SeException, EveryClassIsCaughtAsTheBase)
{
    const crash::CrashContext information{};
    for (std::uint32_t code : {0xC0000005u, 0xC00000FDu, 0xE06D7363u, 0x1u}) {
        const crash::CrashContext *caught = nullptr;
        try {
            se_translator::translateSeException(code, &information, [](const auto &e) { throw e; });
        } catch (const se_translator::exception &e) {
            caught = e.information();
        }
        EXPECT_EQ(caught, &information) << std::hex << code;
    }
}

} // namespace
