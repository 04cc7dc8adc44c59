// The module rule and address descriptions, driven with forged maps over memory of the test's
// own and with this process's real map.
#include "faultaddress.h"
#include "modules.h"
#include "procmaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <elf.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// A module laid out in memory of the test's own, described by a forged map: its first page
// holds the ELF header and two loadable segments, the second at 0x2000 with more memory than
// file content. The image's own addresses start at the parameter (0 for a shared object, the
// link address for a fixed-address program). Past the module's pages lie zeros.
class ForgedModule : public testing::TestWithParam<std::uint64_t>
{
protected:
    void SetUp() override
    {
        m_memory = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
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
        m_maps = forge({{0, 0x1000, "r--p 00000000 08:01 4242 /fake/libmodule.so"},
                        {0x1000, 0x4000, "r-xp 00001000 08:01 4242 /fake/libmodule.so"},
                        {0x4000, 0x5000, "rw-p 00000000 00:00 0 "}});
    }
    void TearDown() override
    {
        if (m_memory && m_memory != MAP_FAILED)
            munmap(m_memory, kSize);
    }
    std::uintptr_t base() const { return reinterpret_cast<std::uintptr_t>(m_memory); }

    struct Line
    {
        std::uintptr_t from;
        std::uintptr_t to;
        const char *rest;
    };
    // A maps text whose addresses are offsets from the forged module's base.
    std::string forge(const std::vector<Line> &lines) const
    {
        std::string maps;
        for (const Line &line : lines) {
            char text[256];
            std::snprintf(text, sizeof text, "%lx-%lx %s\n", base() + line.from, base() + line.to,
                          line.rest);
            maps += text;
        }
        return maps;
    }

    static constexpr std::size_t kSize = 6 * 4096;
    void *m_memory = nullptr;
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
        const crash::FaultLocation where =
            crash::describeFaultAddress(m_maps.data(), m_maps.size(), base() + c.at);
        EXPECT_EQ(std::string(where.path, where.pathLength), "/fake/libmodule.so") << c.at;
        EXPECT_EQ(where.section, c.section) << std::hex << c.at;
        EXPECT_EQ(where.offset, c.offset) << std::hex << c.at;
    }
    // Anonymous memory after the module belongs to no module.
    const crash::FaultLocation none =
        crash::describeFaultAddress(m_maps.data(), m_maps.size(), base() + 0x4100);
    EXPECT_EQ(none.pathLength, 0u);
    EXPECT_EQ(none.section, 0u);
    EXPECT_EQ(none.offset, 0u);
}

// A module reaches over the mappings of its file that follow it, memory of no file in between
// passed over, and ends before another file's mapping; a file mapped from offset 0 that holds no
// ELF image is no module.
TEST_P(ForgedModule, ModuleSpansTheFilesMappings)
{
    const auto modules = [](const std::string &maps) {
        std::vector<crash::LoadedModule> found;
        crash::ModuleReader reader(maps.data(), maps.size());
        for (crash::LoadedModule module; reader.next(module);)
            found.push_back(module);
        return found;
    };
    std::vector<crash::LoadedModule> found = modules(m_maps);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].base, base());
    EXPECT_EQ(found[0].end, base() + 0x4000);
    EXPECT_EQ(std::string(found[0].path, found[0].pathLength), "/fake/libmodule.so");
    EXPECT_EQ(found[0].inode, 4242u);

    found = modules(forge({{0, 0x1000, "r--p 00000000 08:01 4242 /fake/libmodule.so"},
                           {0x1000, 0x2000, "---p 00000000 00:00 0 "},
                           {0x2000, 0x3000, "r-xp 00002000 08:01 4242 /fake/libmodule.so"},
                           {0x3000, 0x4000, "rw-p 00000000 00:00 0 [heap]"},
                           {0x4000, 0x5000, "r--p 00000000 08:01 77 /fake/data.bin"},
                           {0x5000, 0x6000, "rw-p 00003000 08:01 4242 /fake/libmodule.so"}}));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].base, base());
    EXPECT_EQ(found[0].end, base() + 0x3000);

    // The same path on another device is another file.
    found = modules(forge({{0, 0x1000, "r--p 00000000 08:01 4242 /fake/libmodule.so"},
                           {0x1000, 0x2000, "r-xp 00001000 08:02 4242 /fake/libmodule.so"}}));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].end, base() + 0x1000);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ForgedModule, testing::Values(0u, 0x400000u));

// The real module list of this process: the test program itself and the C library are in it,
// and a function of the program lies in one of its segments.
TEST(Modules, RealProcessModules)
{
    static char maps[1 << 20];
    const std::size_t length = crash::readProcFile("/proc/self/maps", maps, sizeof maps);
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    crash::ModuleReader reader(maps, length);
    crash::LoadedModule module;
    std::vector<std::string> paths;
    while (reader.next(module))
        paths.emplace_back(module.path, module.pathLength);
    EXPECT_NE(std::find(paths.begin(), paths.end(), std::string(self)), paths.end());
    EXPECT_NE(
        std::find_if(paths.begin(), paths.end(),
                     [](const std::string &p) { return p.find("libc.so") != std::string::npos; }),
        paths.end());

    const auto code = reinterpret_cast<std::uintptr_t>(&crash::describeFaultAddress);
    const crash::FaultLocation where = crash::describeFaultAddress(maps, length, code);
    EXPECT_EQ(std::string(where.path, where.pathLength), self);
    EXPECT_GE(where.section, 1u);
}

} // namespace
