// The callbacks over the line: what reaches them, on which thread, and requests made from them.
#include "testbed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using pensim::Bytes;

namespace {

PenLibrary *g_lib = nullptr;
std::mutex g_mutex;
std::vector<std::string> g_events;
std::atomic<int> g_pointsA{0};
std::atomic<int> g_pointsB{0};
std::atomic<int> g_requestResult{1};
std::atomic<double> g_requestMs{-1};
std::thread::id g_callbackThread;

void record(const std::string &event)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_events.push_back(event);
    g_callbackThread = std::this_thread::get_id();
}
std::vector<std::string> events()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_events;
}

void SCRIVLO_CALL countA(int, int, int)
{
    ++g_pointsA;
}
void SCRIVLO_CALL countB(int, int, int)
{
    ++g_pointsB;
}
void SCRIVLO_CALL onConnect(const char *mac, const char *name)
{
    record(std::string("connect ") + mac + " " + name);
}
void SCRIVLO_CALL onSearch(const char *mac, const char *name, int trailing)
{
    record(std::string("search ") + mac + " " + name + " " + std::to_string(trailing));
}
void SCRIVLO_CALL onButton(int code)
{
    record("button " + std::to_string(code));
}
// What the classroom client does when the pen connects.
void SCRIVLO_CALL switchModeOnConnect(const char *, const char *)
{
    const auto start = std::chrono::steady_clock::now();
    g_requestResult = g_lib->switchToRealTimeMode();
    g_requestMs = msSince(start);
}

void SCRIVLO_CALL openPortOnConnect(const char *, const char *)
{
    const auto start = std::chrono::steady_clock::now();
    g_requestResult = g_lib->openPort();
    g_requestMs = msSince(start);
}

bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Each test starts from nothing, also when several run in one process.
class Callbacks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_events.clear();
        g_pointsA = 0;
        g_pointsB = 0;
        g_requestResult = 1;
        g_requestMs = -1;
    }
};

Bytes pointFrames(int count)
{
    std::vector<pensim::Point> points;
    for (int i = 0; i < count; ++i)
        points.push_back({static_cast<std::uint16_t>(i), 100, 500});
    return pensim::realTimeStream(points);
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes connectRecord(const pensim::PenDevice &device)
{
    return pensim::codedReply(0, 0xA5, pensim::recordData(device.state().pen));
}

TEST_F(Callbacks, ConnectSearchAndButtonRunOnTheWorkerThread)
{
    TestBed bed;
    PenLibrary &lib = bed.library();
    lib.SetCallBackForConnectDeviceSuccess(&onConnect);
    lib.SetCallBackForSearchDevice(&onSearch);
    lib.SetCallBackForButton(&onButton);
    ASSERT_EQ(lib.openPort(), PenOk);

    EXPECT_EQ(lib.connectDevice(), PenOk);
    EXPECT_EQ(lib.searchDevice(), PenOk);
    bed.simulator().send(pensim::codedReply(2, 0x45, {0x02, 0x01}));
    ASSERT_TRUE(waitFor([] { return events().size() == 3; }, 2000ms));
    EXPECT_EQ(events(),
              (std::vector<std::string>{"connect 0A-1B-2C-3D-4E-5F PenBLE",
                                        "search 01-02-03-04-05-06 Found -100", "button 258"}));
    EXPECT_NE(g_callbackThread, std::this_thread::get_id());
}

TEST_F(Callbacks, RequestFromACallbackReturnsAtOnceAndPointsKeepComing)
{
    TestBed bed;
    PenLibrary &lib = bed.library();
    g_lib = &lib;
    lib.SetCallBackForConnectDeviceSuccess(&switchModeOnConnect);
    lib.SetCallBackForRealTimePenDatas(&countA);
    ASSERT_EQ(lib.openPort(), PenOk);
    bed.simulator().clearRecords();

    const auto start = std::chrono::steady_clock::now();
    bed.simulator().send(connectRecord(bed.device()) + pointFrames(50));
    ASSERT_TRUE(waitFor([] { return g_pointsA == 50; }, 3000ms)) << g_pointsA;
    // Waiting inside the callback would have held every point back for a whole second.
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(g_requestResult, PenTimeout);
    EXPECT_GE(g_requestMs, 0);
    EXPECT_LT(g_requestMs, 100);

    // The frame still went out, and the pen acts on it.
    ASSERT_TRUE(bed.simulator().waitForCommands(1, 1000ms));
    EXPECT_EQ(bed.simulator().commands().front().bytes, commandFrame(2, 0x21, {0}));
}

TEST_F(Callbacks, InstallingTwiceKeepsTheSecond)
{
    TestBed bed;
    PenLibrary &lib = bed.library();
    lib.SetCallBackForRealTimePenDatas(&countA);
    lib.SetCallBackForRealTimePenDatas(&countB);
    ASSERT_EQ(lib.openPort(), PenOk);
    bed.simulator().send(pointFrames(3));
    ASSERT_TRUE(waitFor([] { return g_pointsB == 3; }, 2000ms));
    EXPECT_EQ(g_pointsA, 0);

    lib.SetCallBackForRealTimePenDatas(nullptr);
    bed.simulator().send(pointFrames(3));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(g_pointsB, 3);
}

TEST_F(Callbacks, OpenPortFromACallbackLeavesTheOpenPortAlone)
{
    TestBed bed;
    PenLibrary &lib = bed.library();
    g_lib = &lib;
    lib.SetCallBackForConnectDeviceSuccess(&openPortOnConnect);
    ASSERT_EQ(lib.openPort(), PenOk);
    bed.simulator().clearRecords();

    bed.simulator().send(connectRecord(bed.device()));
    ASSERT_TRUE(waitFor([] { return g_requestMs >= 0; }, 3000ms));
    EXPECT_EQ(g_requestResult, PenFailed);
    EXPECT_LT(g_requestMs, 100);

    // No probe was sent and the receiver's port still carries requests.
    EXPECT_EQ(lib.testOnLigh(), PenOk);
    ASSERT_TRUE(bed.simulator().waitForCommands(1, 1000ms));
    EXPECT_EQ(frames(bed.simulator().commands()),
              std::vector<Bytes>{commandFrame(2, 0x1F, {0x5C, 0x2A, 0x93, 0x41, 0xE7, 0x0D, 2})});
}

} // namespace
