#include "uploadcrc.h"

#include "storedfiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using scrivlo::crc32Update;

namespace {

std::uint32_t crcOf(const char *text)
{
    return crc32Update(0, reinterpret_cast<const std::uint8_t *>(text), std::strlen(text));
}

TEST(UploadCrc, KnownValues)
{
    EXPECT_EQ(crcOf("123456789"), 0xCBF43926u);
    EXPECT_EQ(crcOf("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(crcOf("a"), 0xE8B7BE43u);
    EXPECT_EQ(crcOf(""), 0u);
}

// Frames chained in any cut give the CRC of all their bytes, as the pen computes it.
TEST(UploadCrc, ChainedFramesMatchOneFrameAndZlib)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(5000);
    for (auto &b : data)
        b = static_cast<std::uint8_t>(random());
    const std::uint32_t whole = crc32Update(0, data.data(), data.size());
    EXPECT_EQ(whole, pensim::referenceCrc32(data));

    std::uint32_t inThree = crc32Update(0, data.data(), 1);
    inThree = crc32Update(inThree, data.data() + 1, 2499);
    inThree = crc32Update(inThree, data.data() + 2500, 2500);
    EXPECT_EQ(inThree, whole);

    std::uint32_t inFrames = 0;
    for (std::size_t at = 0; at < data.size(); at += 252)
        inFrames =
            crc32Update(inFrames, data.data() + at, std::min<std::size_t>(252, data.size() - at));
    EXPECT_EQ(inFrames, whole);
}

// An upload-data frame may carry no bytes at all; it must not reset the running value.
TEST(UploadCrc, EmptyUpdateKeepsTheRunningValue)
{
    const std::uint8_t bytes[] = {1, 2, 3};
    const std::uint32_t running = crc32Update(0, bytes, 3);
    EXPECT_EQ(crc32Update(running, bytes, 0), running);
    EXPECT_EQ(crc32Update(running, nullptr, 0), running);
    EXPECT_EQ(crc32Update(0, nullptr, 0), 0u);
}

} // namespace
