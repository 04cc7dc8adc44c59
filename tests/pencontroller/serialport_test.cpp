#include "pensimulator.h"
#include "serialport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;
using pensim::Bytes;
using pensim::PenSimulator;

namespace {

// Counts notifications; tests wait on it.
struct Notifications
{
    std::mutex mutex;
    std::condition_variable changed;
    int receive = 0;
    int lineError = 0;

    template <typename P> bool waitFor(P predicate, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return predicate(*this); });
    }
    void bump(int Notifications::*counter)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++(this->*counter);
        }
        changed.notify_all();
    }
};
Notifications g_notes;

class SerialPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        {
            // Counts start afresh for every test, however the tests share the process.
            std::lock_guard<std::mutex> lock(g_notes.mutex);
            g_notes.receive = 0;
            g_notes.lineError = 0;
        }
        ASSERT_EQ(serialport::bindPort(1, sim.slavePath()), serialport::kOk);
        ASSERT_EQ(serialport::open(1), serialport::kOk);
        ASSERT_EQ(
            serialport::setLine(1, serialport::kSpeed115200,
                                serialport::kParityNone | serialport::kData8 | serialport::kStop1),
            serialport::kOk);
        ASSERT_EQ(serialport::setTimeout(1, 1000), serialport::kOk);
        serialport::onReceive(
            1, [](int) { g_notes.bump(&Notifications::receive); }, 1);
        serialport::onLineError(1, [](int) { g_notes.bump(&Notifications::lineError); });
    }
    void TearDown() override { serialport::close(1); }

    // Reads as a worker does: one read per notification, never more.
    Bytes readByNotifications(std::size_t expected, int *reads)
    {
        Bytes got;
        int handled = 0;
        while (got.size() < expected) {
            if (!g_notes.waitFor([&](Notifications &n) { return n.receive > handled; }, 5s))
                break;
            ++handled;
            std::uint8_t buffer[serialport::kReadChunk];
            const int n = serialport::read(1, buffer, sizeof buffer);
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
                ++*reads;
            }
        }
        return got;
    }

    PenSimulator sim;
};

Bytes allByteValues()
{
    Bytes b(256);
    for (int i = 0; i < 256; ++i)
        b[i] = static_cast<std::uint8_t>(i);
    return b;
}

} // namespace

TEST_F(SerialPortTest, EveryByteValuePassesBothWaysUnchanged)
{
    const Bytes values = allByteValues();
    ASSERT_EQ(serialport::write(1, values.data(), static_cast<int>(values.size())), 256);
    ASSERT_TRUE(sim.waitForBytes(256, 5s));
    EXPECT_EQ(sim.received(), values);

    sim.send(values);
    int reads = 0;
    EXPECT_EQ(readByNotifications(256, &reads), values);
}

TEST_F(SerialPortTest, BurstLargerThanOneReadArrivesWholeOverSeveralReads)
{
    Bytes burst;
    for (int i = 0; i < 2000; ++i)
        burst.push_back(static_cast<std::uint8_t>(i * 7));
    sim.send(burst);
    int reads = 0;
    EXPECT_EQ(readByNotifications(burst.size(), &reads), burst);
    EXPECT_GE(reads, 4);
}

TEST_F(SerialPortTest, PortInUseIsRefused)
{
    EXPECT_EQ(serialport::open(1), serialport::kAlreadyOpen);
    // The same device under another number.
    ASSERT_EQ(serialport::bindPort(2, sim.slavePath()), serialport::kOk);
    EXPECT_EQ(serialport::open(2), serialport::kInUse);
    serialport::close(1);

    // Another holder of the device, as another program would be.
    const int other = ::open(sim.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(serialport::open(1), serialport::kInUse);
    ::close(other);
    EXPECT_EQ(serialport::open(1), serialport::kOk);
}

TEST_F(SerialPortTest, HangUpIsReportedOnceWithoutBusyLoop)
{
    sim.hangUp();
    ASSERT_TRUE(g_notes.waitFor([](Notifications &n) { return n.lineError >= 1; }, 5s));

    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(600ms);
    ::getrusage(RUSAGE_SELF, &after);
    const auto cpuMs = [](const rusage &r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
               (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
    };
    EXPECT_LT(cpuMs(after) - cpuMs(before), 300.0); // a spinning monitor would burn all 600 ms
    std::lock_guard<std::mutex> lock(g_notes.mutex);
    EXPECT_EQ(g_notes.lineError, 1);
    EXPECT_LE(g_notes.receive, 1);
}

TEST_F(SerialPortTest, LineSettingsReachTheTerminal)
{
    const struct
    {
        int speedCode, mode;
        speed_t speed;
        tcflag_t size;
        tcflag_t parity; // PARENB | PARODD | CMSPAR bits expected
        bool twoStop;
    } cases[] = {
        {16, serialport::kParityNone | serialport::kData8 | serialport::kStop1, B115200, CS8, 0,
         false},
        {12, serialport::kParityEven | serialport::kData7 | serialport::kStop2, B9600, CS7, PARENB,
         true},
        {0, serialport::kParityOdd | serialport::kData5, B50, CS5, PARENB | PARODD, false},
        {19, serialport::kParityMark | serialport::kData6, B921600, CS6, PARENB | PARODD | CMSPAR,
         false},
        {15, serialport::kParitySpace | serialport::kData8, B57600, CS8, PARENB | CMSPAR, false},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(serialport::setLine(1, c.speedCode, c.mode), serialport::kOk) << c.speedCode;
        const termios tio = sim.lineSettings();
        EXPECT_EQ(cfgetospeed(&tio), c.speed) << c.speedCode;
        // A pseudo-terminal always keeps 8 bits without parity; what it does keep must match.
        EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.parity & (PARODD | CMSPAR)) << c.speedCode;
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop) << c.speedCode;
        EXPECT_EQ(serialport::getSpeed(1), serialport::speedOfCode(c.speedCode));
    }
    EXPECT_EQ(serialport::setLine(1, 20, 3), serialport::kBadArgument);
    EXPECT_EQ(serialport::setLine(1, 16, 16 | 3), serialport::kBadArgument);

    ASSERT_EQ(serialport::setFlowControl(1, serialport::kFlowRtsCts | serialport::kFlowXonXoff),
              serialport::kOk);
    termios tio = sim.lineSettings();
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_TRUE((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF));
    ASSERT_EQ(serialport::setFlowControl(1, 0), serialport::kOk);
    tio = sim.lineSettings();
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    // A pseudo-terminal has no modem lines; setting them is no failure.
    EXPECT_EQ(serialport::setDtr(1, 1), serialport::kOk);
    EXPECT_EQ(serialport::setRts(1, 0), serialport::kOk);
}

TEST_F(SerialPortTest, ClosingFromInsideANotificationAndReadingWhileClosing)
{
    static std::atomic<bool> closed{false};
    serialport::onReceive(
        1,
        [](int port) {
            serialport::close(port);
            closed = true;
        },
        1);
    sim.send(Bytes{1, 2, 3});
    for (int i = 0; i < 500 && !closed; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(closed);
    std::uint8_t one = 0;
    EXPECT_EQ(serialport::read(1, &one, 1), serialport::kNotOpen);

    // Open and close over and over while another thread reads and writes the same number.
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        std::uint8_t buffer[512];
        while (!stop) {
            const int n = serialport::read(1, buffer, sizeof buffer);
            EXPECT_TRUE(n >= 0 || n == serialport::kNotOpen) << n;
            serialport::write(1, buffer, 1);
        }
    });
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(serialport::open(1), serialport::kOk);
        sim.send(Bytes{0xAA});
        ASSERT_EQ(serialport::close(1), serialport::kOk);
    }
    stop = true;
    worker.join();
}

TEST(SerialPortNumbers, RangeAndBinding)
{
    EXPECT_EQ(serialport::bindPort(0, "/dev/null"), serialport::kBadPort);
    EXPECT_EQ(serialport::bindPort(256, "/dev/null"), serialport::kBadPort);
    EXPECT_EQ(serialport::open(5), serialport::kBadPort); // bound to nothing
    ASSERT_EQ(serialport::bindPort(5, "/dev/null"), serialport::kOk);
    EXPECT_EQ(serialport::open(5), serialport::kOpenFailed); // not a terminal
    std::uint8_t b = 0;
    EXPECT_EQ(serialport::read(5, &b, 1), serialport::kNotOpen);
    EXPECT_EQ(serialport::write(5, &b, 1), serialport::kNotOpen);
}

TEST_F(SerialPortTest, SimulatorAnswersFromItsTable)
{
    sim.setReply(0xA2, pensim::codedReply(0, 0xA2, {'v', '1'}), 60ms);
    sim.setSilent(0xA1);
    sim.setFallback([](const pensim::Command &c) {
        return pensim::now(pensim::codedReply(2, c.code(), c.arguments()));
    });
    const Bytes commands{0xFE, 0x00, 0x03, 0xA1, 0x01, 0x00, 0x13, // a stray byte between frames
                         0xFE, 0x02, 0x04, 0x2B, 0x02, 'a',  'b',
                         0xFE, 0x00, 0x03, 0xA2, 0x01, 0x00};
    const auto sent = pensim::Clock::now();
    ASSERT_EQ(serialport::write(1, commands.data(), static_cast<int>(commands.size())),
              static_cast<int>(commands.size()));
    ASSERT_TRUE(sim.waitForCommands(3, 5s));
    const auto got = sim.commands();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].target(), 2);
    EXPECT_EQ(got[1].code(), 0x2B);
    EXPECT_EQ(got[1].arguments(), (Bytes{'a', 'b'}));
    EXPECT_EQ(sim.received(), commands);

    const Bytes penReply = pensim::codedReply(2, 0x2B, {'a', 'b'});
    const Bytes versionReply = pensim::codedReply(0, 0xA2, {'v', '1'});
    int reads = 0;
    Bytes replies = readByNotifications(penReply.size() + versionReply.size(), &reads);
    EXPECT_GE(pensim::Clock::now() - sent, 60ms);
    Bytes expected = penReply;
    expected.insert(expected.end(), versionReply.begin(), versionReply.end());
    EXPECT_EQ(replies, expected); // nothing for the silent command
}
