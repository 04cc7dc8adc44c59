// The port wrapper, the serial library and the assembler together against the simulated receiver.
#include "framereader.h"
#include "pcommlite.h"
#include "pensimulator.h"
#include "portenumeration.h"
#include "protocol.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include <termios.h>

using namespace std::chrono_literals;
using pensim::Bytes;
using scrivlo::PCommLite;

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
std::deque<std::string> g_events;

void pushEvent(const char *name)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_events.push_back(name);
    }
    g_changed.notify_all();
}

struct Recorder : scrivlo::FrameDispatcher
{
    void dispatchReply(const scrivlo::ReplyFrame &f) override
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        frames.push_back(Bytes(f.payload, f.payload + f.length));
        channels.push_back(f.channel);
    }
    std::vector<Bytes> frames;
    std::vector<int> channels;
    std::size_t count()
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        return frames.size();
    }
};

CScrivloControllerCtrl *owner()
{
    static int token;
    return reinterpret_cast<CScrivloControllerCtrl *>(&token);
}

// The worker's part: one read per "OnCommunication", nothing for "OnPCommError".
class Worker
{
public:
    explicit Worker(scrivlo::FrameReader &reader)
        : m_thread([this, &reader] {
              for (;;) {
                  std::string event;
                  {
                      std::unique_lock<std::mutex> lock(g_mutex);
                      g_changed.wait_for(lock, 50ms, [] { return !g_events.empty(); });
                      if (m_stop)
                          return;
                      if (g_events.empty())
                          continue;
                      event = g_events.front();
                      g_events.pop_front();
                  }
                  if (event == scrivlo::kEventCommunication)
                      reader.readAndAssemble();
              }
          })
    {
    }
    ~Worker()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class ReceivePath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_events.clear();
        }
        ::setenv("SCRIVLO_SERIAL_SYSFS", (dir / "sys").c_str(), 1);
        ::setenv("SCRIVLO_SERIAL_DEVDIR", (dir / "dev").c_str(), 1);
        sim.linkInto(dir / "dev", "ttyUSB0");
        PCommLite::setEventSink(&pushEvent);
        scrivlo::PortTable table;
        scrivlo::enumerateComPorts(table);
        ASSERT_EQ(scrivlo::presentPortNumbers(table), std::vector<std::uint8_t>{1});
        ASSERT_TRUE(port().configurePort(owner(), 1, 16, 0, 3, 0));
        ASSERT_TRUE(port().openAndMonitor());
    }
    void TearDown() override
    {
        port().closePort();
        PCommLite::setEventSink(nullptr);
    }
    static PCommLite &port() { return PCommLite::instance(); }
    bool waitForFrames(std::size_t n)
    {
        for (int i = 0; i < 500 && recorder.count() < n; ++i)
            std::this_thread::sleep_for(10ms);
        return recorder.count() >= n;
    }

    testsupport::TempDir dir{"pen-receive"};
    pensim::PenSimulator sim;
    Recorder recorder;
    scrivlo::FrameReader reader{recorder};
};

} // namespace

TEST_F(ReceivePath, LineIsSetTo115200EightNoneOneRawWithoutFlowControl)
{
    // Start from a cooked, slow line with flow control, as another program may leave it.
    port().closePort();
    termios cooked = sim.lineSettings();
    cooked.c_iflag |= ICRNL | IXON | IXOFF;
    cooked.c_oflag |= OPOST;
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag |= CRTSCTS | CSTOPB;
    cfsetospeed(&cooked, B9600);
    cfsetispeed(&cooked, B9600);
    sim.setLineSettings(cooked);
    ASSERT_TRUE(port().openAndMonitor());

    const termios tio = sim.lineSettings();
    EXPECT_EQ(cfgetospeed(&tio), B115200);
    EXPECT_EQ(cfgetispeed(&tio), B115200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP));
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(tio.c_oflag & OPOST);
}

TEST_F(ReceivePath, ProbeGoesOutAndItsSplitAnswerComesBackAsOneFrame)
{
    sim.setHandler(scrivlo::protocol::kProbe, [](const pensim::Command &) {
        return pensim::split(pensim::codedReply(0, 0xA0, {0}), {1, 1, 1, 1, 1}, 5ms);
    });
    Worker worker(reader);
    ASSERT_TRUE(port().write(scrivlo::CommandFrame(0, 0xA0, {0})));
    ASSERT_TRUE(sim.waitForCommands(1, 5s));
    EXPECT_EQ(sim.commands()[0].bytes, (Bytes{0xFE, 0x00, 0x03, 0xA0, 0x01, 0x00}));
    ASSERT_TRUE(waitForFrames(1));
    EXPECT_EQ(recorder.frames[0], (Bytes{0xA0, 0x01, 0x00}));
}

TEST_F(ReceivePath, BurstOfRealTimeFramesLargerThanOneReadIsDispatchedWhole)
{
    Bytes burst;
    for (std::uint16_t i = 0; i < 150; ++i) {
        const Bytes f = pensim::realTimeFrame({{i, static_cast<std::uint16_t>(i * 2), 100}});
        burst.insert(burst.end(), f.begin(), f.end());
    }
    ASSERT_GT(burst.size(), 3u * 512);
    sim.send(burst);
    Worker worker(reader);
    ASSERT_TRUE(waitForFrames(150));
    for (std::uint16_t i = 0; i < 150; ++i) {
        ASSERT_EQ(recorder.channels[i], 1);
        ASSERT_EQ(recorder.frames[i][2], i & 0xFF) << i;
    }
}

TEST_F(ReceivePath, HalfAFrameFromAnEarlierOpeningNeverMergesWithTheNext)
{
    // The first half of a frame arrives, the port is closed and opened again, the rest follows.
    sim.send(Bytes{0xFF, 0x00, 0x03, 0xA0});
    ASSERT_TRUE(sim.waitForBytes(0, 1s));
    for (int i = 0; i < 100 && reader.assembler().position() == 0; ++i) {
        reader.readAndAssemble();
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(reader.assembler().position(), 4);
    port().closePort();
    ASSERT_TRUE(port().openAndMonitor());
    sim.send(Bytes{0x01, 0x00, 0xFF, 0x02, 0x00});
    for (int i = 0; i < 100 && recorder.count() == 0; ++i) {
        reader.readAndAssemble();
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(recorder.count(), 1u);
    EXPECT_EQ(recorder.channels[0], 2);
    EXPECT_TRUE(recorder.frames[0].empty());
}

TEST_F(ReceivePath, HangUpQueuesOneLineErrorEvent)
{
    sim.hangUp();
    std::unique_lock<std::mutex> lock(g_mutex);
    ASSERT_TRUE(g_changed.wait_for(lock, 5s, [] { return !g_events.empty(); }));
    lock.unlock();
    std::this_thread::sleep_for(300ms);
    lock.lock();
    EXPECT_EQ(g_events, std::deque<std::string>{"OnPCommError"});
}
