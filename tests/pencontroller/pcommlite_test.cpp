#include "pcommlite.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using scrivlo::PCommLite;
using scrivlo::PortLibrary;

namespace {

// A scripted port library: it logs every call and fails the operation named in `failing`.
std::vector<std::string> g_calls;
std::string g_failing;
int g_speed = 115200;
int g_readResult = 0;

int result(const std::string &op, const std::string &call)
{
    g_calls.push_back(call);
    return op == g_failing ? -1 : 0;
}

std::string cb(scrivlo::PortNotification f)
{
    if (!f)
        return "null";
    if (f == &PCommLite::onReceiveNotification)
        return "receive";
    if (f == &PCommLite::onLineErrorNotification)
        return "lineError";
    return "other";
}

const PortLibrary kFake{
    [](int p) { return result("open", "open " + std::to_string(p)); },
    [](int p) { return result("close", "close " + std::to_string(p)); },
    [](int, int s, int m) {
        return result("setLine", "setLine " + std::to_string(s) + " " + std::to_string(m));
    },
    [](int, int m) { return result("flow", "flow " + std::to_string(m)); },
    [](int, int on) { return result("dtr", "dtr " + std::to_string(on)); },
    [](int, int on) { return result("rts", "rts " + std::to_string(on)); },
    [](int) {
        g_calls.push_back("getSpeed");
        return g_speed;
    },
    [](int, int ms) { return result("timeout", "timeout " + std::to_string(ms)); },
    [](int, std::uint8_t *, int) {
        g_calls.push_back("read");
        return g_readResult;
    },
    [](int, const std::uint8_t *, int n) {
        g_calls.push_back("write " + std::to_string(n));
        return n;
    },
    [](int, scrivlo::PortNotification f, int t) {
        return result("onReceive", "onReceive " + cb(f) + " " + std::to_string(t));
    },
    [](int, scrivlo::PortNotification f) { return result("onLineError", "onLineError " + cb(f)); },
    [](int, scrivlo::PortNotification f) { return result("onEventA", "onEventA " + cb(f)); },
    [](int, scrivlo::PortNotification f) { return result("onEventB", "onEventB " + cb(f)); },
    [](int, scrivlo::PortNotification f, int c) {
        return result("onCharacter", "onCharacter " + cb(f) + " " + std::to_string(c));
    },
};

CScrivloControllerCtrl *owner()
{
    return reinterpret_cast<CScrivloControllerCtrl *>(&g_calls);
}

class PCommLiteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_calls.clear();
        g_failing.clear();
        g_speed = 115200;
        g_readResult = 0;
    }
    bool configureInUse(int port = 7) { return wrapper.configurePort(owner(), port, 16, 0, 3, 0); }

    PCommLite wrapper{kFake};
};

const std::vector<std::string> kClearing{"onCharacter null 0", "onReceive null 0",
                                         "onLineError null", "onEventA null", "onEventB null"};

std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(PCommLiteTest, ConfigurePortAcceptsOnlyTheLibraryCodes)
{
    const struct
    {
        int port, speed, parity, dataBits, stopBits;
        bool accepted;
    } cases[] = {
        {1, 16, 0, 3, 0, true},    {255, 16, 0, 3, 0, true}, {0, 16, 0, 3, 0, false},
        {256, 16, 0, 3, 0, false}, {-1, 16, 0, 3, 0, false}, {7, 0, 0, 3, 0, true},
        {7, 19, 0, 3, 0, true},    {7, 20, 0, 3, 0, false},  {7, -1, 0, 3, 0, false},
        {7, 16, 8, 3, 0, true},    {7, 16, 24, 3, 0, true},  {7, 16, 40, 3, 0, true},
        {7, 16, 56, 3, 0, true},   {7, 16, 16, 3, 0, false}, {7, 16, 1, 3, 0, false},
        {7, 16, 0, 0, 0, true},    {7, 16, 0, 4, 0, false},  {7, 16, 0, -1, 0, false},
        {7, 16, 0, 3, 4, true},    {7, 16, 0, 3, 1, false},  {7, 16, 0, 3, 2, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wrapper.configurePort(owner(), c.port, c.speed, c.parity, c.dataBits, c.stopBits),
                  c.accepted)
            << c.port << " " << c.speed << " " << c.parity << " " << c.dataBits << " "
            << c.stopBits;
}

TEST_F(PCommLiteTest, ConfigurePortKeepsWhatWasStoredBeforeTheFailingCheck)
{
    ASSERT_TRUE(wrapper.configurePort(owner(), 3, 12, 8, 2, 4));
    EXPECT_FALSE(wrapper.configurePort(owner(), 9, 16, 16, 3, 0));
    const scrivlo::PortSettings s = wrapper.settings();
    EXPECT_EQ(s.port, 9);
    EXPECT_EQ(s.speedCode, 16);
    EXPECT_EQ(s.parityCode, 8); // the refused 16 was never stored
    EXPECT_EQ(s.dataBitsCode, 2);
    EXPECT_EQ(s.stopBitsCode, 4);

    ASSERT_TRUE(configureInUse());
    const scrivlo::PortSettings inUse = wrapper.settings();
    EXPECT_TRUE(inUse.dtr && inUse.rts);
    EXPECT_FALSE(inUse.rtsCtsFlow || inUse.xonXoffFlow || inUse.open);
}

namespace {
std::vector<std::string> g_assertions;
}

TEST_F(PCommLiteTest, NullOwnerRaisesTheAssertion)
{
    PCommLite::setAssertionHandler([](const char *e, const char *s, int l) {
        g_assertions.push_back(std::string(e) + "|" + s + "|" + std::to_string(l));
    });
    EXPECT_FALSE(wrapper.configurePort(nullptr, 7, 16, 0, 3, 0));
    PCommLite::setAssertionHandler(nullptr);
    EXPECT_EQ(g_assertions, std::vector<std::string>{"pPortOwner != NULL|PCommLite|50"});
    EXPECT_EQ(wrapper.settings().port, 0);
}

TEST(PCommLiteTimeout, FollowsTheLineSpeed)
{
    const std::pair<int, int> cases[] = {{2000, 100}, {10, 300}, {115200, 100}, {1, 3000},
                                         {30, 100},   {29, 102}, {0, 100},      {-5, 100}};
    for (auto [speed, ms] : cases)
        EXPECT_EQ(PCommLite::lineTimeoutMs(speed), ms) << speed;
}

TEST_F(PCommLiteTest, OpenSetsUpTheLineThenRegisters)
{
    g_speed = 10;
    ASSERT_TRUE(configureInUse());
    ASSERT_TRUE(wrapper.openAndMonitor());
    EXPECT_TRUE(wrapper.isOpen());
    EXPECT_EQ(g_calls, (std::vector<std::string>{
                           "open 7", "setLine 16 3", "flow 0", "dtr 1", "rts 1", "getSpeed",
                           "timeout 300", "onCharacter other 65", "onReceive receive 1",
                           "onLineError lineError", "onEventA other", "onEventB other"}));

    g_calls.clear();
    wrapper.closePort();
    EXPECT_FALSE(wrapper.isOpen());
    EXPECT_EQ(g_calls, plus(kClearing, {"close 7"}));
}

TEST_F(PCommLiteTest, AFailedStepUndoesWhatWasDone)
{
    const std::vector<std::string> lineSetup{
        "open 7", "setLine 16 3", "flow 0",      "dtr 1",
        "rts 1",  "getSpeed",     "timeout 100", "onCharacter other 65"};
    const struct
    {
        std::string failing;
        std::vector<std::string> calls;
    } cases[] = {
        {"open", {"open 7"}},
        {"setLine", {"open 7", "setLine 16 3", "close 7"}},
        {"flow", {"open 7", "setLine 16 3", "flow 0", "close 7"}},
        {"dtr", {"open 7", "setLine 16 3", "flow 0", "dtr 1", "close 7"}},
        {"rts", {"open 7", "setLine 16 3", "flow 0", "dtr 1", "rts 1", "close 7"}},
        {"onReceive", plus(plus(lineSetup, {"onReceive receive 1"}), plus(kClearing, {"close 7"}))},
        {"onLineError", plus(plus(lineSetup, {"onReceive receive 1", "onLineError lineError"}),
                             plus(kClearing, {"close 7"}))},
        {"onEventB", plus(plus(lineSetup, {"onReceive receive 1", "onLineError lineError",
                                           "onEventA other", "onEventB other"}),
                          plus(kClearing, {"close 7"}))},
        // The time-out cannot fail the set-up.
        {"timeout", plus(lineSetup, {"onReceive receive 1", "onLineError lineError",
                                     "onEventA other", "onEventB other"})},
    };
    for (const auto &c : cases) {
        g_calls.clear();
        g_failing = c.failing;
        ASSERT_TRUE(configureInUse());
        EXPECT_EQ(wrapper.openAndMonitor(), c.failing == "timeout") << c.failing;
        EXPECT_EQ(wrapper.isOpen(), c.failing == "timeout") << c.failing;
        EXPECT_EQ(g_calls, c.calls) << c.failing;
        wrapper.closePort();
    }
}

TEST_F(PCommLiteTest, WritesAndReadsOnlyWhileOpen)
{
    ASSERT_TRUE(configureInUse());
    const scrivlo::CommandFrame probe(0, 0xA0, {0});
    EXPECT_FALSE(wrapper.write(probe));
    std::uint8_t buffer[512];
    EXPECT_EQ(wrapper.read(buffer, 512), 0);
    EXPECT_TRUE(g_calls.empty());

    ASSERT_TRUE(wrapper.openAndMonitor());
    g_calls.clear();
    EXPECT_TRUE(wrapper.write(probe));
    g_readResult = 5;
    EXPECT_EQ(wrapper.read(buffer, 512), 5);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"write 6", "read"}));

    wrapper.closePort();
    g_calls.clear();
    EXPECT_FALSE(wrapper.write(probe));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(PCommLiteTest, ReconfiguringAnOpenPortClosesItFirst)
{
    ASSERT_TRUE(configureInUse(7));
    ASSERT_TRUE(wrapper.openAndMonitor());
    g_calls.clear();
    ASSERT_TRUE(configureInUse(9));
    EXPECT_EQ(g_calls, plus(kClearing, {"close 7"}));
    EXPECT_FALSE(wrapper.isOpen());
}

TEST_F(PCommLiteTest, AnotherPortLibraryTakesOverOnlyAfterTheOpenPortIsClosed)
{
    ASSERT_TRUE(configureInUse(7));
    ASSERT_TRUE(wrapper.openAndMonitor());
    g_calls.clear();
    static std::vector<std::string> otherCalls;
    PortLibrary other = kFake;
    other.write = [](int, const std::uint8_t *, int n) {
        otherCalls.push_back("write " + std::to_string(n));
        return n;
    };
    wrapper.setPortLibrary(other);
    EXPECT_EQ(g_calls, plus(kClearing, {"close 7"}));
    EXPECT_FALSE(wrapper.isOpen());

    ASSERT_TRUE(wrapper.openAndMonitor());
    g_calls.clear();
    EXPECT_TRUE(wrapper.write(scrivlo::CommandFrame(0, 0xA0, {0})));
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(otherCalls, std::vector<std::string>{"write 6"});
    wrapper.closePort();
}

namespace {
std::vector<std::string> g_events;
}

TEST(PCommLiteNotifications, PushOnlyTheirEventNames)
{
    PCommLite::setEventSink([](const char *name) { g_events.push_back(name); });
    PCommLite::onReceiveNotification(1);
    PCommLite::onLineErrorNotification(1);
    PCommLite::onEventNotification(1);
    PCommLite::setEventSink(nullptr);
    PCommLite::onReceiveNotification(1);
    EXPECT_EQ(g_events, (std::vector<std::string>{"OnCommunication", "OnPCommError"}));
}
