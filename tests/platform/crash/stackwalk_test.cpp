#include "procmaps.h"
#include "stackwalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

std::uintptr_t g_intoWalker = 0;
std::uintptr_t g_intoMiddle = 0;
std::uintptr_t g_intoOuter = 0;
std::vector<crash::StackFrame> g_frames;
std::size_t g_capped = 0;
std::size_t g_withinShortStack = 0;

// Walks this thread's stack from its own registers into g_frames.
__attribute__((noinline)) void walkFromHere()
{
    g_intoWalker = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
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
    crash::StackFrame few[32];
    g_capped = crash::walkStack(context, begin, end, few, 2);
    // A stack that ends just above the stack pointer holds no caller.
    g_withinShortStack = crash::walkStack(context, begin, sp + 1, few, 32);
}

__attribute__((noinline)) void inner()
{
    g_intoMiddle = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    walkFromHere();
    asm volatile("" ::: "memory");
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
    ASSERT_GE(g_frames.size(), 4u);
    EXPECT_EQ(g_frames[1].instruction, g_intoWalker);
    EXPECT_EQ(g_frames[2].instruction, g_intoMiddle);
    EXPECT_EQ(g_frames[3].instruction, g_intoOuter);
    EXPECT_EQ(g_capped, 2u);
    EXPECT_EQ(g_withinShortStack, 1u);
}

std::uintptr_t g_intoSortCaller = 0;

// Walks from inside the comparator, while the C library's sort (built without frame pointers)
// is between it and the test.
__attribute__((noinline)) int compareAndWalk(const void *a, const void *b)
{
    if (g_frames.empty())
        walkFromHere();
    return *static_cast<const int *>(a) - *static_cast<const int *>(b);
}

__attribute__((noinline)) void sortAndWalk()
{
    g_intoSortCaller = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    int values[] = {3, 1, 2};
    std::qsort(values, 3, sizeof values[0], compareAndWalk);
    asm volatile("" ::: "memory");
}

TEST(StackWalk, GoesThroughLibraryFramesWithoutFramePointers)
{
    g_frames.clear();
    sortAndWalk();
    ASSERT_FALSE(g_frames.empty());
    // Past qsort's frames to sortAndWalk and from there into this test.
    const auto into =
        std::find_if(g_frames.begin(), g_frames.end(),
                     [](const crash::StackFrame &f) { return f.instruction == g_intoSortCaller; });
    EXPECT_NE(into, g_frames.end());
}

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

ucontext_t contextAt(std::uintptr_t rip, std::uintptr_t rsp, std::uintptr_t rbp)
{
    ucontext_t context{};
    context.uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(rip);
    context.uc_mcontext.gregs[REG_RSP] = static_cast<greg_t>(rsp);
    context.uc_mcontext.gregs[REG_RBP] = static_cast<greg_t>(rbp);
    return context;
}

// Stacks that a crash may leave: the walk ends where they go wrong and never faults, whatever
// the saved values point at.
TEST(StackWalk, EndsWhereACorruptStackGoesWrong)
{
    outer(); // for an instruction whose frame rule follows the frame pointer
    const std::uintptr_t code = g_intoMiddle;
    ASSERT_NE(code, 0u);

    FakeStack loop;
    loop.record(8, loop.at(8), code); // the saved frame pointer points at itself
    FakeStack down;
    down.record(20, down.at(8), code); // a caller below the callee
    down.record(8, down.at(20), code);
    FakeStack outside;
    outside.record(8, outside.end() + 64, code);
    const long page = sysconf(_SC_PAGESIZE);
    void *gone = mmap(nullptr, static_cast<std::size_t>(page), PROT_NONE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(gone, MAP_FAILED);
    const auto unmapped = reinterpret_cast<std::uintptr_t>(gone);
    munmap(gone, static_cast<std::size_t>(page));

    // At most this many frames: the registers' own frame, a frame or two the unwinder makes of
    // the forged records, never the capacity's worth that following them blindly would give.
    const struct
    {
        const char *why;
        ucontext_t context;
        std::uintptr_t begin, end;
        std::size_t most;
    } cases[] = {
        {"loop", contextAt(code, loop.at(0), loop.at(8)), loop.begin(), loop.end(), 3},
        {"downwards", contextAt(code, down.at(0), down.at(20)), down.begin(), down.end(), 3},
        {"out of the stack", contextAt(code, outside.at(0), outside.at(8)), outside.begin(),
         outside.end(), 3},
        {"unmapped stack", contextAt(code, unmapped + 64, unmapped + 64), unmapped,
         unmapped + static_cast<std::uintptr_t>(page), 1},
        {"no code there", contextAt(0xAAAA, loop.at(0), loop.at(8)), loop.begin(), loop.end(), 3},
        {"no stack known", contextAt(code, loop.at(0), loop.at(8)), 0, 0, 1},
    };
    for (const auto &c : cases) {
        crash::StackFrame frames[16];
        const std::size_t count = crash::walkStack(c.context, c.begin, c.end, frames, 16);
        EXPECT_GE(count, 1u) << c.why;
        EXPECT_LE(count, c.most) << c.why;
        EXPECT_EQ(frames[0].instruction,
                  static_cast<std::uintptr_t>(c.context.uc_mcontext.gregs[REG_RIP]))
            << c.why;
    }
}

// The unwinder's library carries the C++ exception ABI as well; a program that links it must
// still throw through the compiler's own runtime.
TEST(StackWalk, LeavesCppExceptionsToTheCompilersRuntime)
{
    for (const char *name : {"_Unwind_RaiseException", "_Unwind_Resume"}) {
        Dl_info where{};
        ASSERT_NE(dladdr(dlsym(RTLD_DEFAULT, name), &where), 0) << name;
        EXPECT_NE(std::string(where.dli_fname).find("libgcc_s"), std::string::npos)
            << name << " from " << where.dli_fname;
    }
}

} // namespace
