#include "safememory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// Three pages: readable, unreadable, readable. Reads that touch the middle one fail whole, the
// others copy every byte, longer than one pass through the pipe included; errno is left as it
// was. The same before and after the install-time preparation.
TEST(SafeMemory, CopiesWhatIsReadableAndRefusesTheRest)
{
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void *mapped =
        mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto *bytes = static_cast<unsigned char *>(mapped);
    for (std::size_t i = 0; i < 3 * page; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    ASSERT_EQ(mprotect(bytes + page, page, PROT_NONE), 0);
    const auto at = [&](std::size_t offset) {
        return reinterpret_cast<std::uintptr_t>(bytes) + offset;
    };

    const struct
    {
        std::size_t offset;
        std::size_t length;
        bool readable;
    } cases[] = {
        {0, 1, true},
        {0, page, true},
        {2 * page + 5, page - 5, true},
        {page - 1, 2, false}, // runs into the unreadable page
        {page + 8, 8, false}, // inside it
        {page, 2 * page, false},
    };
    for (bool prepared : {false, true}) {
        if (prepared) {
            ASSERT_TRUE(crash::prepareMemoryReads());
        }
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << "offset " << c.offset << " length " << c.length
                                            << " prepared " << prepared);
            std::vector<unsigned char> copy(c.length, 0xEE);
            errno = 1234;
            EXPECT_EQ(crash::readMemory(copy.data(), at(c.offset), c.length), c.readable);
            EXPECT_EQ(errno, 1234);
            if (c.readable) {
                EXPECT_EQ(std::memcmp(copy.data(), bytes + c.offset, c.length), 0);
            }
        }
        // A failed read leaves nothing behind for the next one.
        unsigned char first = 0;
        EXPECT_TRUE(crash::readMemory(&first, at(3), 1));
        EXPECT_EQ(first, bytes[3]);
    }
    // Longer than any single pass: across the whole readable first page and into the next
    // mapping of this test's own memory.
    std::vector<unsigned char> large(page + page / 2);
    std::vector<unsigned char> source(large.size());
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<unsigned char>(i * 13);
    EXPECT_TRUE(crash::readMemory(large.data(), reinterpret_cast<std::uintptr_t>(source.data()),
                                  source.size()));
    EXPECT_EQ(large, source);
    munmap(mapped, 3 * page);
}

} // namespace
