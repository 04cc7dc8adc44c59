// Real-time points streamed as fast as the line takes them.
#include "testbed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int kPoints = 100000;
std::atomic<int> g_count{0};
std::atomic<int> g_outOfOrder{0};

pensim::Point pointAt(int i)
{
    return {static_cast<std::uint16_t>(i % 21001), static_cast<std::uint16_t>(i / 21001),
            static_cast<std::uint16_t>(i % 2048)};
}

void SCRIVLO_CALL onPoint(int x, int y, int pressure)
{
    const pensim::Point expected = pointAt(g_count);
    if (x != expected.x || y != expected.y || pressure != expected.pressure)
        ++g_outOfOrder;
    ++g_count;
}

TEST(RealTime, HundredThousandUnpacedPointsArriveEveryOneInOrder)
{
    TestBed bed;
    PenLibrary &lib = bed.library();
    lib.SetCallBackForRealTimePenDatas(&onPoint);
    ASSERT_EQ(lib.openPort(), PenOk);

    std::vector<pensim::Point> points;
    points.reserve(kPoints);
    for (int i = 0; i < kPoints; ++i)
        points.push_back(pointAt(i));
    // One, two and three points to a frame, all in one stream.
    const std::size_t third = kPoints / 3;
    pensim::Bytes stream = pensim::realTimeStream({points.begin(), points.begin() + third}, 1);
    const pensim::Bytes two =
        pensim::realTimeStream({points.begin() + third, points.begin() + 2 * third}, 2);
    const pensim::Bytes three =
        pensim::realTimeStream({points.begin() + 2 * third, points.end()}, 3);
    stream.insert(stream.end(), two.begin(), two.end());
    stream.insert(stream.end(), three.begin(), three.end());
    bed.simulator().send(stream);

    const auto end = std::chrono::steady_clock::now() + 60s;
    int last = -1;
    while (g_count != kPoints && std::chrono::steady_clock::now() < end) {
        // Give up early only when nothing has moved for a long while.
        const int now = g_count;
        std::this_thread::sleep_for(last == now ? 2000ms : 100ms);
        if (last == now && g_count == now)
            break;
        last = now;
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(g_count, kPoints);
    EXPECT_EQ(g_outOfOrder, 0);
}

} // namespace
