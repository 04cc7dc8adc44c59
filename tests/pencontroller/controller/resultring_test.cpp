#include "resultring.h"

#include <gtest/gtest.h>

using scrivlo::ResultField;
using scrivlo::ResultRing;

TEST(ResultRing, WrapsAfterAllSlotsAndReusesSlotZero)
{
    ResultRing ring;
    const int first = ring.store({{ResultField::PenName, "first"}});
    EXPECT_EQ(first, 0);
    for (std::size_t i = 1; i < ResultRing::kSlots; ++i)
        ring.store({{ResultField::FileCount, ResultRing::number(static_cast<int>(i))}});
    EXPECT_EQ(ring.nextIndex(), 0u);
    EXPECT_EQ(ring.integer(4999, ResultField::FileCount), 4999);

    EXPECT_EQ(ring.store({{ResultField::PenName, "again"}}), 0);
    EXPECT_EQ(ring.text(0, ResultField::PenName), "again");
    EXPECT_EQ(ring.text(5000, ResultField::PenName), "");
    EXPECT_EQ(ring.integer(-1, ResultField::FileCount), 0);
}
