#include "uploadbuffer.h"
#include "uploadprogress.h"

#include <gtest/gtest.h>

#include <vector>

using namespace scrivlo;

namespace {

TEST(UploadProgress, CollectionPercent)
{
    struct Case
    {
        std::int64_t collected;
        std::int32_t announced;
        int percent;
    } cases[] = {
        {0, 1000, 0},
        {100, 1000, 25},
        {395, 1000, 98},
        {396, 1000, 99},
        {600, 1000, 99},              // 150, capped: 100 only comes with the checked end
        {11'000'000, 11'000'000, 99}, // 2.75e9 along the way: no 32-bit overflow
        {10, 11'000'000, 0},
        {500, 0, 0},  // no size announced
        {500, -8, 0}, // a size the pen cannot mean
    };
    for (const Case &c : cases)
        EXPECT_EQ(collectionPercent(c.collected, c.announced), c.percent)
            << c.collected << " of " << c.announced;
}

TEST(UploadProgress, DeliveryPercent)
{
    EXPECT_EQ(deliveryPercent(0, 3), 33);
    EXPECT_EQ(deliveryPercent(1, 3), 66);
    EXPECT_EQ(deliveryPercent(2, 3), 100);
    EXPECT_EQ(deliveryPercent(0, 1), 100);
    // 29 / 100 × 100 is 28.999... in floating point.
    EXPECT_EQ(deliveryPercent(28, 100), 29);
    EXPECT_EQ(deliveryPercent(1'833'333, 1'833'334), 100);
    EXPECT_EQ(deliveryPercent(916'666, 1'833'334), 50);
}

// Reports come only once more than a second has passed, carry the bytes since the last report
// and start a new interval.
TEST(UploadProgress, ReportsAfterMoreThanASecond)
{
    UploadProgress progress;
    progress.start(5000);
    EXPECT_FALSE(progress.add(100, 5500, 1000));
    EXPECT_FALSE(progress.add(100, 6000, 1000)); // exactly a second: not yet
    const auto first = progress.add(50, 6001, 1000);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytesSinceLastReport, 250);
    EXPECT_EQ(first->percent, 62);
    EXPECT_EQ(first->announced, 1000);

    EXPECT_FALSE(progress.add(10, 6500, 1000));
    const auto second = progress.add(340, 7002, 1000);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->bytesSinceLastReport, 350);
    EXPECT_EQ(second->percent, 99);
    EXPECT_EQ(progress.collected(), 600);
    EXPECT_EQ(progress.sinceLastReport(), 0);

    progress.start(9000);
    EXPECT_EQ(progress.collected(), 0);
    EXPECT_FALSE(progress.add(1, 9999, 1000));
}

TEST(UploadBuffer, KeepsWhatFitsAndDropsTheRest)
{
    UploadBuffer buffer;
    EXPECT_EQ(buffer.lastIndex(), -1);
    std::vector<std::uint8_t> chunk(1'000'000, 0x5A);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(buffer.append(chunk.data(), chunk.size()));
    chunk.assign(999'999, 0xA5);
    ASSERT_TRUE(buffer.append(chunk.data(), chunk.size()));
    EXPECT_EQ(buffer.lastIndex(), 10'999'999 - 1);

    const std::uint8_t tail[] = {1, 2, 3};
    EXPECT_FALSE(buffer.append(tail, 3));
    EXPECT_EQ(buffer.size(), UploadBuffer::kCapacity);
    EXPECT_EQ(buffer.data()[UploadBuffer::kCapacity - 1], 1);
    EXPECT_FALSE(buffer.append(tail, 1));
    EXPECT_TRUE(buffer.append(tail, 0));

    buffer.clear();
    EXPECT_EQ(buffer.lastIndex(), -1);
    EXPECT_TRUE(buffer.append(tail, 3));
    EXPECT_EQ(buffer.size(), 3u);
}

} // namespace
