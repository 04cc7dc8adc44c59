// openPort over several ports in a folder of the test's own.
#include "testbed.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const pensim::Bytes kProbe{0xFE, 0x00, 0x03, 0xA0, 0x01, 0x00};
const pensim::Bytes kLightOn{0xFE, 0x02, 0x09, 0x1F, 0x07, 0x5C,
                             0x2A, 0x93, 0x41, 0xE7, 0x0D, 0x02};

// Holds the device the way a program using the port does (the library takes the same lock).
class PortHolder
{
public:
    explicit PortHolder(const std::string &path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY))
    {
        m_locked = m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    }
    ~PortHolder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool locked() const { return m_locked; }

private:
    int m_fd;
    bool m_locked = false;
};

bool heldByLibrary(const pensim::PenSimulator &sim)
{
    return !PortHolder(sim.slavePath()).locked();
}

TEST(Discovery, SilentFirstPortIsGivenUpAndClosedReceiverOnSecondIsKept)
{
    TestBed bed;
    bed.device().setSilent(0xA0);
    pensim::PenSimulator &second = bed.addPort("ttyUSB1");
    second.answerProbe();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bed.library().openPort(), PenOk);
    const double elapsed = msSince(start);
    EXPECT_GE(elapsed, 1100);
    EXPECT_LT(elapsed, 4000);

    EXPECT_EQ(frames(bed.simulator().commands()), std::vector<pensim::Bytes>{kProbe});
    EXPECT_EQ(frames(second.commands()), std::vector<pensim::Bytes>{kProbe});
    EXPECT_FALSE(heldByLibrary(bed.simulator()));
    EXPECT_TRUE(heldByLibrary(second));

    // Later requests go to the port that answered.
    second.clearRecords();
    EXPECT_EQ(bed.library().testOnLigh(), PenOk);
    ASSERT_TRUE(second.waitForCommands(1, 1000ms));
    EXPECT_EQ(second.commands().front().bytes, kLightOn);
    EXPECT_EQ(bed.simulator().commands().size(), 1u);
}

TEST(Discovery, NoPortsAtAllFailsAtOnce)
{
    TestBed bed;
    bed.removePort("ttyUSB0");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bed.library().openPort(), PenFailed);
    EXPECT_LT(msSince(start), 500);
}

TEST(Discovery, NoReceiverOnAnyPortCostsAWaitPerPort)
{
    TestBed bed;
    bed.device().setSilent(0xA0);
    bed.addPort("ttyUSB1");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bed.library().openPort(), PenFailed);
    const double elapsed = msSince(start);
    EXPECT_GE(elapsed, 2000);
    EXPECT_LT(elapsed, 6000);
    EXPECT_FALSE(heldByLibrary(bed.simulator()));
    // Requests now find no port.
    EXPECT_EQ(bed.library().stopTransfer(), PenTimeout);
}

TEST(Discovery, PortInUseIsSkipped)
{
    TestBed bed; // port 1 would answer, but another program holds it
    PortHolder holder(bed.simulator().slavePath());
    ASSERT_TRUE(holder.locked());
    pensim::PenSimulator &second = bed.addPort("ttyUSB1");
    second.answerProbe();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bed.library().openPort(), PenOk);
    EXPECT_LT(msSince(start), 1000);
    EXPECT_TRUE(bed.simulator().commands().empty());
    EXPECT_EQ(frames(second.commands()), std::vector<pensim::Bytes>{kProbe});
}

TEST(Discovery, OpenPortAgainFindsTheReceiverOnItsNewPort)
{
    TestBed bed;
    ASSERT_EQ(bed.library().openPort(), PenOk);
    EXPECT_TRUE(heldByLibrary(bed.simulator()));

    bed.removePort("ttyUSB0");
    pensim::PenSimulator &moved = bed.addPort("ttyUSB1");
    moved.answerProbe();
    EXPECT_EQ(bed.library().openPort(), PenOk);
    EXPECT_FALSE(heldByLibrary(bed.simulator()));
    EXPECT_TRUE(heldByLibrary(moved));

    moved.clearRecords();
    EXPECT_EQ(bed.library().testOnLigh(), PenOk);
    ASSERT_TRUE(moved.waitForCommands(1, 1000ms));
    EXPECT_EQ(moved.commands().front().bytes, kLightOn);
}

} // namespace
