#include "crash/seexception.h"

#include <gtest/gtest.h>

#include <string>
#include <typeindex>

namespace {

// Each code reaches its own class; any other code the base class.
TEST(SeException, EachCodeHasItsClass)
{
    using namespace se_translator;
    const struct
    {
        std::uint32_t code;
        std::type_index type;
    } cases[] = {
        {0xC0000005, typeid(access_violation)},
        {0x80000001, typeid(guard_page)},
        {0x80000002, typeid(datatype_misalignment)},
        {0x80000003, typeid(breakpoint)},
        {0x80000004, typeid(single_step)},
        {0xC0000006, typeid(in_page_error)},
        {0xC0000008, typeid(invalid_handle)},
        {0xC0000017, typeid(no_memory)},
        {0xC000001D, typeid(illegal_instruction)},
        {0xC0000025, typeid(noncontinuable_exception)},
        {0xC0000026, typeid(invalid_disposition)},
        {0xC000008C, typeid(array_bounds_exceeded)},
        {0xC000008D, typeid(flt_denormal_operand)},
        {0xC000008E, typeid(flt_divide_by_zero)},
        {0xC000008F, typeid(flt_inexact_result)},
        {0xC0000090, typeid(flt_invalid_operation)},
        {0xC0000091, typeid(flt_overflow)},
        {0xC0000092, typeid(flt_stack_check)},
        {0xC0000093, typeid(flt_underflow)},
        {0xC0000094, typeid(int_divide_by_zero)},
        {0xC0000095, typeid(int_overflow)},
        {0xC0000096, typeid(priv_instruction)},
        {0xC00000FD, typeid(stack_overflow)},
        {0xE06D7363, typeid(microsoft_cpp)},
        {0x40000015, typeid(exception)},
        {0x12345678, typeid(exception)},
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
