#include "procmaps.h"
#include "stackwalk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A stack laid out by hand: frame records at chosen slots.
struct FakeStack
{
    std::uintptr_t slots[64] = {};
    std::uintptr_t at(int index) const { return reinterpret_cast<std::uintptr_t>(&slots[index]); }
    void record(int index, std::uintptr_t caller, std::uintptr_t returnAddress)
    {
        slots[index] = caller;
        slots[index + 1] = returnAddress;
    }
    std::uintptr_t begin() const { return at(0); }
    std::uintptr_t end() const { return at(64); }
};

std::vector<crash::StackFrame> walk(std::uintptr_t rip, std::uintptr_t rbp, const FakeStack &stack,
                                    std::size_t capacity = 16)
{
    ucontext_t context{};
    context.uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(rip);
    context.uc_mcontext.gregs[REG_RBP] = static_cast<greg_t>(rbp);
    std::vector<crash::StackFrame> frames(capacity);
    frames.resize(crash::walkStack(context, stack.begin(), stack.end(), frames.data(), capacity));
    return frames;
}

TEST(StackWalk, FollowsTheChainUpwardsAndStopsWhereItGoesWrong)
{
    FakeStack s;
    s.record(4, s.at(10), 0x1111);
    s.record(10, s.at(20), 0x2222);
    s.record(20, 0, 0x3333); // the outermost frame: its caller is 0
    auto frames = walk(0xAAAA, s.at(4), s);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].instruction, 0xAAAAu);
    EXPECT_EQ(frames[1].instruction, 0x1111u);
    EXPECT_EQ(frames[2].instruction, 0x2222u);
    EXPECT_EQ(frames[3].instruction, 0x3333u);
    EXPECT_EQ(frames[2].frame, s.at(20));

    EXPECT_EQ(walk(0xAAAA, s.at(4), s, 2).size(), 2u) << "capacity";

    FakeStack loop;
    loop.record(8, loop.at(8), 0x1111); // points at itself
    EXPECT_EQ(walk(0xAAAA, loop.at(8), loop).size(), 2u);

    FakeStack down;
    down.record(20, down.at(8), 0x1111); // a caller below the callee
    down.record(8, down.at(20), 0x2222);
    EXPECT_EQ(walk(0xAAAA, down.at(20), down).size(), 2u);

    FakeStack outside;
    outside.record(8, outside.end() + 64, 0x1111);
    EXPECT_EQ(walk(0xAAAA, outside.at(8), outside).size(), 2u);
    EXPECT_EQ(walk(0xAAAA, outside.end(), outside).size(), 1u);
    EXPECT_EQ(walk(0xAAAA, outside.begin() - 16, outside).size(), 1u);
    EXPECT_EQ(walk(0xAAAA, outside.at(8) + 3, outside).size(), 1u) << "misaligned";
    EXPECT_EQ(walk(0xAAAA, outside.at(63), outside).size(), 1u) << "record past the end";

    FakeStack noReturn;
    noReturn.record(8, noReturn.at(20), 0);
    EXPECT_EQ(walk(0xAAAA, noReturn.at(8), noReturn).size(), 1u);
}

std::uintptr_t g_intoMiddle = 0;
std::uintptr_t g_intoOuter = 0;
std::vector<crash::StackFrame> g_frames;

__attribute__((noinline)) void inner()
{
    g_intoMiddle = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    ucontext_t context{};
    getcontext(&context);
    static char maps[1 << 20];
    const std::size_t length = crash::readProcFile("/proc/self/maps", maps, sizeof maps);
    std::uintptr_t begin = 0, end = 0;
    const auto sp = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RSP]);
    ASSERT_TRUE(crash::findStackRange(maps, length, sp, 0, begin, end));
    EXPECT_LE(begin, sp);
    g_frames.resize(32);
    g_frames.resize(crash::walkStack(context, begin, end, g_frames.data(), g_frames.size()));
}

__attribute__((noinline)) void middle()
{
    g_intoOuter = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    inner();
    asm volatile("" ::: "memory");
}

__attribute__((noinline)) void outer()
{
    middle();
    asm volatile("" ::: "memory");
}

TEST(StackWalk, WalksThisThreadsRealFrames)
{
    outer();
    ASSERT_GE(g_frames.size(), 3u);
    EXPECT_EQ(g_frames[1].instruction, g_intoMiddle);
    EXPECT_EQ(g_frames[2].instruction, g_intoOuter);
}

} // namespace
