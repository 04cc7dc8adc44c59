// One row of every export over the simulated receiver on a pseudo-terminal, through the built
// library, with the protocol's waits spent in real time. Every row runs at once against a
// scripted receiver in pen_request_tests.
#include "exportrows.h"
#include "testbed.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

class PtyLine : public ExportLine
{
public:
    PtyLine()
    {
        // The device answers within 10 ms, so every wait below 100 ms is the library's own.
        m_bed.device().setDelay(5ms);
    }

    bool loaded() { return m_bed.library().loaded(); }
    PenExports &exports() override { return m_bed.library(); }
    pensim::PenDevice &device() override { return m_bed.device(); }
    void clearRecords() override { m_bed.simulator().clearRecords(); }
    std::vector<pensim::Bytes> framesWritten(std::size_t count) override
    {
        m_bed.simulator().waitForCommands(count, 1000ms);
        std::this_thread::sleep_for(50ms); // nothing more may follow
        return frames(m_bed.simulator().commands());
    }
    double nowMs() override { return msSince(m_start); }

private:
    TestBed m_bed;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

class ExportOnTheWire : public ::testing::TestWithParam<Row>
{
};

TEST_P(ExportOnTheWire, FramesResultOutputsAndWait)
{
    PtyLine line;
    ASSERT_TRUE(line.loaded());
    runRow(GetParam(), line);
}

INSTANTIATE_TEST_SUITE_P(Exports, ExportOnTheWire, ::testing::ValuesIn(rowPerExport()),
                         [](const ::testing::TestParamInfo<Row> &info) { return info.param.name; });

} // namespace
