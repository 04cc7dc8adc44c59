// The crash report's parts, driven in process with a captured context.
#include "crash/crashreport.h"
#include "crash/modulelist.h"
#include "crash/reportfilename.h"
#include "crash/systemlines.h"
#include "faultaddress.h"
#include "modules.h"
#include "procmaps.h"
#include "systemfacts.h"
#include "textbuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <ucontext.h>
#include <unistd.h>

namespace {

std::string hex(std::uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
    return text;
}

TEST(ReportFileName, GoesIntoTdumpsBesideTheProgramWithTheCrashTime)
{
    const struct
    {
        const char *program;
        const char *folder;
    } folders[] = {
        {"/opt/aulark/Aulark", "/opt/aulark/tdumps/"},
        {"/opt/aulark/aulark.bin", "/opt/aulark/tdumps/"}, // whatever the file is called
        {"/Aulark", "/tdumps/"},
        {"", ""},
    };
    for (const auto &c : folders)
        EXPECT_EQ(reportFolderFor(c.program), c.folder) << c.program;

    char name[128];
    ASSERT_TRUE(formatReportFileName(name, sizeof name, "/opt/aulark/tdumps/", "Aulark",
                                     "2019121900", crash::LocalTime{2026, 1, 2, 3, 4, 5}));
    EXPECT_STREQ(name, "/opt/aulark/tdumps/Aulark-2019121900-20260102-030405.rpt");
    char tooSmall[40];
    EXPECT_FALSE(formatReportFileName(tooSmall, sizeof tooSmall, "/opt/aulark/tdumps/", "Aulark",
                                      "2019121900", crash::LocalTime{2026, 1, 2, 3, 4, 5}));
}

TEST(SystemLines, ProcessorAndSystemLines)
{
    const struct
    {
        std::uint32_t level;
        const char *text;
    } levels[] = {{3, "Intel 30386"},      {4, "Intel 80486"}, {5, "Intel Pentium"},
                  {6, "Pentium II Above"}, {15, "Unknown"},    {25, "Unknown"}};
    crash::SystemFacts system;
    system.processorCount = 8;
    std::strcpy(system.systemName, "Linux");
    system.majorVersion = 6;
    system.minorVersion = 1;
    system.buildNumber = 76;
    std::strcpy(system.release, "6.1.76-1-amd64");
    std::strcpy(system.version, "#1 SMP");
    char buffer[256];
    for (const auto &c : levels) {
        system.x86 = true;
        system.processorLevel = c.level;
        crash::TextBuffer text(buffer, sizeof buffer);
        appendCpuInfo(text, system);
        EXPECT_EQ(std::string(text.data()),
                  std::string("Processor Level: ") + c.text + "\r\nProcessor Numbers: 8\r\n");
    }
    system.x86 = false;
    crash::TextBuffer other(buffer, sizeof buffer);
    appendCpuInfo(other, system);
    appendSystemVersion(other, system);
    EXPECT_STREQ(other.data(), "Processor Level: \r\nProcessor Numbers: 8\r\n"
                               "OS: Linux 6.1 Build 76 6.1.76-1-amd64 #1 SMP\r\n");
}

TEST(ModuleList, BlockGivesPathBaseSizeAndFileTime)
{
    const std::uintptr_t base = 0x7f0012345000;
    char buffer[512];
    crash::TextBuffer text(buffer, sizeof buffer);
    crash::LoadedModule module;
    module.base = base;
    module.end = base + 0x4000;
    module.path = "/fake/libmodule.so";
    module.pathLength = 18;
    appendModuleBlock(text, module);
    // No such file: the time of the file-time epoch.
    EXPECT_STREQ(text.data(), "/fake/libmodule.so\r\n\tBaseImage 0x12345000 32512"
                              " Size 0x00004000\r\n\tTimeStamp 01/01/1601 00:00:00\r\n"
                              "\tFileVersion 0.0.0.0 Product Version 0.0.0.0\r\n\r\n");
}

struct ComposedReport
{
    ucontext_t context;
    std::string text;
    std::string cut; // the same in a buffer of 100 bytes
};

// Captures its own registers and composes the report while its callers' frames are still live,
// as the crash handler does on the crashing thread.
[[gnu::noinline]] ComposedReport composeHere(const char *maps, std::size_t mapsLength)
{
    ComposedReport composed;
    crash::CrashContext crash{};
    crash.maps = maps;
    crash.mapsLength = mapsLength;
    ucontext_t &context = composed.context;
    getcontext(&context);
    greg_t *g = context.uc_mcontext.gregs;
    const int general[] = {REG_RAX, REG_RBX, REG_RCX, REG_RDX, REG_RSI, REG_RDI, REG_R8,
                           REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15};
    for (std::size_t i = 0; i < std::size(general); ++i)
        g[general[i]] = static_cast<greg_t>(0x1111111111111111ull * (i + 1));
    g[REG_RBX] = 0x5; // short values are padded to eight digits
    g[REG_CSGSFS] = static_cast<greg_t>(0x002B000000000033ull);
    g[REG_EFL] = 0x10246;
    crash.context = &context;
    crash::findStackRange(maps, mapsLength, static_cast<std::uintptr_t>(g[REG_RSP]), 0,
                          crash.stackBegin, crash.stackEnd);
    crash.exception = {0xC0000094, "system text"};
    crash.time = crash::LocalTime{2026, 12, 10, 9, 5, 7};
    crash::SystemFacts system;
    system.x86 = true;
    system.processorLevel = 15;
    system.processorCount = 4;
    std::strcpy(system.systemName, "Linux");
    system.majorVersion = 6;
    system.minorVersion = 1;
    std::strcpy(system.release, "6.1.0");
    std::strcpy(system.version, "#1");
    crash.system = &system;

    static char buffer[49152];
    crash::TextBuffer text(buffer, sizeof buffer);
    composeCrashReport(text, crash, DataSelectors{0x2B, 0x1});
    composed.text = text.data();
    char small[100];
    crash::TextBuffer cut(small, sizeof small);
    composeCrashReport(cut, crash, DataSelectors{0x2B, 0x1});
    composed.cut = cut.data();
    return composed;
}

// The report's text for a captured context with known register values: every line in order.
TEST(CrashReportText, LinesInOrderWithTheRegisters)
{
    static char maps[1 << 20];
    const std::size_t mapsLength = crash::readProcFile("/proc/self/maps", maps, sizeof maps);
    const ComposedReport composed = composeHere(maps, mapsLength);
    const std::string &report = composed.text;
    const greg_t *g = composed.context.uc_mcontext.gregs;

    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string rip = hex(static_cast<std::uint64_t>(g[REG_RIP]));
    const crash::FaultLocation where =
        crash::describeFaultAddress(maps, mapsLength, static_cast<std::uintptr_t>(g[REG_RIP]));
    char location[64];
    std::snprintf(location, sizeof location, "%02X:%08lX", where.section,
                  static_cast<unsigned long>(where.offset));
    const std::string expected =
        "Unhandled exception: 12/10/2026 09:05:07\r\n"
        "Processor Level: Unknown\r\nProcessor Numbers: 4\r\n"
        "OS: Linux 6.1 Build 0 6.1.0 #1\r\n"
        "Exception code: C0000094 INT_DIVIDE_BY_ZERO\r\n"
        "Fault address:  " +
        rip + " " + location + " " + self +
        "\r\n"
        "\nRegisters:\r\n"
        "RAX:1111111111111111\r\nRBX:00000005\r\nRCX:3333333333333333\r\n"
        "RDX:4444444444444444\r\nRSI:5555555555555555\r\nRDI:6666666666666666\r\n"
        "R8:7777777777777777\r\nR9:8888888888888888\r\nR10:9999999999999999\r\n"
        "R11:AAAAAAAAAAAAAAAA\r\nR12:BBBBBBBBBBBBBBBB\r\nR13:CCCCCCCCCCCCCCCC\r\n"
        "R14:DDDDDDDDDDDDDDDD\r\nR15:EEEEEEEEEEEEEEEE\r\n"
        "CS:RIP:0033:" +
        rip +
        "\r\n"
        "SS:RSP:002B:" +
        hex(static_cast<std::uint64_t>(g[REG_RSP])) +
        "  RBP:" + hex(static_cast<std::uint64_t>(g[REG_RBP])) +
        "\r\n"
        "DS:002B  ES:0001  FS:0000  GS:0000\r\n"
        "Flags:00010246\r\n"
        "Call stack:\r\nAddress\tFrame\r\n";
    ASSERT_EQ(report.substr(0, expected.size()), expected);

    // Frames: the captured instruction first, then the callers through this test program.
    const std::string frames = report.substr(expected.size());
    char frameLocation[64];
    std::snprintf(frameLocation, sizeof frameLocation, "%04X:%08lX", where.section,
                  static_cast<unsigned long>(where.offset));
    EXPECT_EQ(frames.rfind(rip + "\t" + hex(static_cast<std::uint64_t>(g[REG_RBP])) + " " +
                               frameLocation + " " + self + "\r\n",
                           0),
              0u)
        << frames;
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = frames.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_GE(lines, 2u) << frames;

    // A report too long for its buffer keeps its beginning.
    EXPECT_EQ(composed.cut, report.substr(0, 99));
}

} // namespace
