#include "textbuffer.h"

#include <gtest/gtest.h>

namespace {

TEST(TextBuffer, FormatsAndCutsAtTheBufferEnd)
{
    char buffer[64];
    crash::TextBuffer text(buffer, sizeof buffer);
    text.hex(0xAB, 8).character(' ').hex(0x7F0011223344, 8).character(' ').hex(0xabc, 0, false);
    text.character(' ').decimal(-42).character(' ').decimal(7, 2).character(' ').decimal(0);
    text.text(nullptr);
    EXPECT_STREQ(text.data(), "000000AB 7F0011223344 abc -42 07 0");
    EXPECT_FALSE(text.cut());

    char small[8];
    crash::TextBuffer cut(small, sizeof small);
    cut.text("Module List:\r\n").hex(0x1234, 8);
    EXPECT_STREQ(cut.data(), "Module ");
    EXPECT_TRUE(cut.cut());
}

} // namespace
