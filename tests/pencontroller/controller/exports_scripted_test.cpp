// Every export against a receiver that answers at once, with the library's waits on a clock
// that passes only while a request sleeps: the frames, results, outputs and the length of each
// wait as over the real line (exports_wire_test), without spending the waits in real time.
#include "exportrows.h"
#include "linkedexports.h"
#include "scriptedport.h"
#include "scrivlocontrollerctrl.h"
#include "settledlineclock.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A device folder of its own that lists one port, which the scripted receiver stands behind.
class ScriptedLine : public ExportLine
{
public:
    ScriptedLine()
    {
        fs::create_directories(m_root / "sys");
        fs::create_directories(m_root / "dev");
        ::setenv("SCRIVLO_SERIAL_SYSFS", (m_root / "sys").c_str(), 1);
        ::setenv("SCRIVLO_SERIAL_DEVDIR", (m_root / "dev").c_str(), 1);
        // Listed as a character device; only the scripted port library is ever asked to open it.
        fs::create_symlink("/dev/null", m_root / "dev" / "ttyUSB0");
        CScrivloControllerCtrl::instance().setWaitClock(&m_clock);
    }
    ~ScriptedLine() override
    {
        m_port.waitUntilTakenIn(10s);
        CScrivloControllerCtrl::instance().setWaitClock(nullptr);
    }

    PenExports &exports() override { return m_exports; }
    pensim::PenDevice &device() override { return m_port.device(); }
    void clearRecords() override { m_port.clearRecords(); }
    std::vector<pensim::Bytes> framesWritten(std::size_t) override
    {
        // Anything the worker still writes in answer has been written once the line is quiet.
        m_port.waitUntilTakenIn(10s);
        std::vector<pensim::Bytes> out;
        for (const pensim::Command &command : m_port.commands())
            out.push_back(command.bytes);
        return out;
    }
    double nowMs() override
    {
        return std::chrono::duration<double, std::milli>(m_clock.now().time_since_epoch()).count();
    }
    const SettledLineClock &clock() const { return m_clock; }

private:
    testsupport::TempDir m_root;
    ScriptedPort m_port;
    SettledLineClock m_clock{m_port};
    PenExports m_exports = linkedExports();
};

class ExportAnsweredAtOnce : public ::testing::TestWithParam<Row>
{
};

TEST_P(ExportAnsweredAtOnce, FramesResultOutputsAndWait)
{
    ScriptedLine line;
    runRow(GetParam(), line);
    // Every wait polls once a millisecond.
    if (line.clock().longestSleep() > 0ms) {
        EXPECT_EQ(line.clock().shortestSleep(), 1ms);
        EXPECT_EQ(line.clock().longestSleep(), 1ms);
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, ExportAnsweredAtOnce, ::testing::ValuesIn(exportRows()),
                         [](const ::testing::TestParamInfo<Row> &info) { return info.param.name; });

} // namespace
