// The crash report's parts, driven in process with forged modules and a captured context.
#include "crash/crashreport.h"
#include "crash/faultaddress.h"
#include "crash/modulelist.h"
#include "crash/modulemap.h"
#include "crash/reportfilename.h"
#include "crash/systemlines.h"
#include "procmaps.h"
#include "systemfacts.h"
#include "textbuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <elf.h>
#include <string>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

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

// A module laid out in memory of the test's own, described by a forged map: its first page
// holds the ELF header and two loadable segments, the second at 0x2000 with more memory than
// file content. The image's own addresses start at `firstAddress` (0 for a shared object, the
// link address for a fixed-address program).
class ForgedModule : public testing::TestWithParam<std::uint64_t>
{
protected:
    void SetUp() override
    {
        m_size = 4 * 4096;
        m_memory =
            mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(m_memory, MAP_FAILED);
        const std::uint64_t first = GetParam();
        Elf64_Ehdr header{};
        std::memcpy(header.e_ident, ELFMAG, SELFMAG);
        header.e_ident[EI_CLASS] = ELFCLASS64;
        header.e_phoff = sizeof header;
        header.e_phentsize = sizeof(Elf64_Phdr);
        header.e_phnum = 3;
        Elf64_Phdr segments[3]{};
        segments[0].p_type = PT_PHDR; // not loadable: not counted
        segments[0].p_vaddr = first + 0x40;
        segments[1].p_type = PT_LOAD;
        segments[1].p_vaddr = first;
        segments[1].p_filesz = segments[1].p_memsz = 0x100;
        segments[2].p_type = PT_LOAD;
        segments[2].p_vaddr = first + 0x2000;
        segments[2].p_offset = 0x1000;
        segments[2].p_filesz = 0x80;
        segments[2].p_memsz = 0x300;
        std::memcpy(m_memory, &header, sizeof header);
        std::memcpy(static_cast<char *>(m_memory) + sizeof header, segments, sizeof segments);

        char line[512];
        const auto base = reinterpret_cast<std::uintptr_t>(m_memory);
        std::snprintf(line, sizeof line,
                      "%lx-%lx r--p 00000000 08:01 4242 /fake/libmodule.so\n"
                      "%lx-%lx r-xp 00001000 08:01 4242 /fake/libmodule.so\n"
                      "%lx-%lx rw-p 00000000 00:00 0 \n",
                      base, base + 0x1000, base + 0x1000, base + 0x4000, base + 0x4000,
                      base + 0x5000);
        m_maps = line;
    }
    void TearDown() override
    {
        if (m_memory && m_memory != MAP_FAILED)
            munmap(m_memory, m_size);
    }
    std::uintptr_t base() const { return reinterpret_cast<std::uintptr_t>(m_memory); }

    void *m_memory = nullptr;
    std::size_t m_size = 0;
    std::string m_maps;
};

TEST_P(ForgedModule, FaultAddressNamesSegmentAndOffset)
{
    const struct
    {
        std::uintptr_t at;
        unsigned section;
        std::uint64_t offset;
    } cases[] = {
        {0x40, 1, 0x40}, {0x100, 1, 0x100},  // the segment's end is still in it
        {0x800, 0, 0},                       // in the module, in no segment
        {0x2000, 2, 0},  {0x22FF, 2, 0x2FF}, // memory beyond the file content counts
        {0x3800, 0, 0},
    };
    for (const auto &c : cases) {
        const FaultLocation where =
            describeFaultAddress(m_maps.data(), m_maps.size(), base() + c.at);
        EXPECT_EQ(std::string(where.path, where.pathLength), "/fake/libmodule.so") << c.at;
        EXPECT_EQ(where.section, c.section) << std::hex << c.at;
        EXPECT_EQ(where.offset, c.offset) << std::hex << c.at;
    }
    // Anonymous memory after the module belongs to no module.
    const FaultLocation none = describeFaultAddress(m_maps.data(), m_maps.size(), base() + 0x4100);
    EXPECT_EQ(none.pathLength, 0u);
    EXPECT_EQ(none.section, 0u);
    EXPECT_EQ(none.offset, 0u);
}

TEST_P(ForgedModule, ModuleBlockSpansTheFilesMappings)
{
    ModuleReader reader(m_maps.data(), m_maps.size());
    LoadedModule module;
    ASSERT_TRUE(reader.next(module));
    EXPECT_EQ(module.base, base());
    EXPECT_EQ(module.end, base() + 0x4000);
    EXPECT_FALSE(reader.next(module));

    char buffer[512];
    crash::TextBuffer text(buffer, sizeof buffer);
    appendModuleBlock(text, LoadedModule{base(), base() + 0x4000, "/fake/libmodule.so", 18});
    char low[16];
    std::snprintf(low, sizeof low, "%08x", static_cast<unsigned>(base() & 0xFFFFFFFFu));
    // No such file: the time of the file-time epoch.
    EXPECT_EQ(std::string(text.data()),
              "/fake/libmodule.so\r\n\tBaseImage 0x" + std::string(low) + " " +
                  std::to_string(base() >> 32) +
                  " Size 0x00004000\r\n\tTimeStamp 01/01/1601 00:00:00\r\n"
                  "\tFileVersion 0.0.0.0 Product Version 0.0.0.0\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(Layouts, ForgedModule, testing::Values(0u, 0x400000u));

// The real module list of this process: the test program itself and the C library are in it,
// and a function of the program lies in one of its segments.
TEST(ModuleMap, RealProcessModules)
{
    static char maps[1 << 20];
    const std::size_t length = crash::readProcFile("/proc/self/maps", maps, sizeof maps);
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    ModuleReader reader(maps, length);
    LoadedModule module;
    std::vector<std::string> paths;
    while (reader.next(module))
        paths.emplace_back(module.path, module.pathLength);
    EXPECT_NE(std::find(paths.begin(), paths.end(), std::string(self)), paths.end());
    EXPECT_NE(
        std::find_if(paths.begin(), paths.end(),
                     [](const std::string &p) { return p.find("libc.so") != std::string::npos; }),
        paths.end());

    const auto code = reinterpret_cast<std::uintptr_t>(&hex);
    const FaultLocation where = describeFaultAddress(maps, length, code);
    EXPECT_EQ(std::string(where.path, where.pathLength), self);
    EXPECT_GE(where.section, 1u);
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
    const FaultLocation where =
        describeFaultAddress(maps, mapsLength, static_cast<std::uintptr_t>(g[REG_RIP]));
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
