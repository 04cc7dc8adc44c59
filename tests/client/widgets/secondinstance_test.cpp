#include "programnames.h"
#include "tempdir.h"
#include "x11probe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::ProgramFolder;

// The box's ok button fill.
constexpr int kOkRed = 42, kOkGreen = 178, kOkBlue = 241;

template <typename Condition> bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QString lockFile()
{
    return QDir(QString::fromLocal8Bit(std::getenv("XDG_RUNTIME_DIR")))
        .filePath(QStringLiteral("AULARK.lock"));
}

class SecondInstance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!m_display.isOpen())
            GTEST_SKIP() << "needs an X display (the test suite runs under xvfb-run)";
        m_program = QString::fromStdString(m_folder.linkFromBuild(programnames::kClient).string());
        // Nothing listens there: the client starts without reaching out of the machine.
        testsupport::writeFile(m_folder / "aularkhome.txt", "http://127.0.0.1:9\n");

        start(m_first);
        ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(lockFile()); }, 60000))
            << "the first client never took the single-instance lock";
        ASSERT_EQ(m_first.state(), QProcess::Running);
    }

    void TearDown() override
    {
        if (m_first.state() == QProcess::NotRunning)
            return;
        m_first.terminate();
        if (!m_first.waitForFinished(10000)) {
            m_first.kill();
            m_first.waitForFinished(10000);
        }
    }

    void start(QProcess &process)
    {
        process.setWorkingDirectory(QString::fromStdString(m_folder.path().string()));
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(m_program, QStringList());
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    // The second instance's message box: its one window of the box's size.
    std::optional<x11probe::WindowInfo> boxOf(QProcess &process)
    {
        for (const auto &window : m_display.windowsOf(static_cast<pid_t>(process.processId()))) {
            if (window.onScreen.width == 300 && window.onScreen.height == 180)
                return window;
        }
        return std::nullopt;
    }

    x11probe::Display m_display;
    ProgramFolder m_folder;
    QString m_program;
    QProcess m_first;
};

TEST_F(SecondInstance, ShowsTheNoticeBoxAndExitsWithItsResult)
{
    struct Case
    {
        std::string name;
        std::function<void(x11probe::Display &, const x11probe::WindowInfo &)> answer;
        int expectedExitCode;
    };
    const std::vector<Case> cases = {
        {"ok clicked",
         [](x11probe::Display &display, const x11probe::WindowInfo &box) {
             std::optional<x11probe::Rect> ok;
             ASSERT_TRUE(waitFor(
                 [&] { return (ok = display.boxOfColour(box, kOkRed, kOkGreen, kOkBlue)); }, 10000))
                 << "the ok button never appeared";
             // One button, centred under the text.
             EXPECT_NEAR(ok->x + ok->width / 2, 150, 2);
             EXPECT_TRUE(waitFor(
                 [&] {
                     return display.leftClick(box, ok->x + ok->width / 2, ok->y + ok->height / 2);
                 },
                 10000))
                 << "the box stayed covered";
         },
         1},
        {"closed by the window system",
         [](x11probe::Display &display, const x11probe::WindowInfo &box) {
             display.requestClose(box);
         },
         0},
    };

    const auto firstWindows = m_display.windowsOf(static_cast<pid_t>(m_first.processId()));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QProcess second;
        start(second);
        std::optional<x11probe::WindowInfo> box;
        ASSERT_TRUE(waitFor([&] { return (box = boxOf(second)).has_value(); }, 60000))
            << "the second client showed no message box";
        c.answer(m_display, *box);
        ASSERT_TRUE(second.waitForFinished(30000)) << "the second client did not end";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), c.expectedExitCode);

        // The first instance runs on as it was: still holding the lock, its windows still up.
        EXPECT_EQ(m_first.state(), QProcess::Running);
        EXPECT_TRUE(QFileInfo::exists(lockFile()));
        const auto windowsNow = m_display.windowsOf(static_cast<pid_t>(m_first.processId()));
        for (const auto &window : firstWindows) {
            EXPECT_TRUE(std::any_of(windowsNow.begin(), windowsNow.end(), [&](const auto &now) {
                return now.id == window.id;
            })) << "a window of the first instance went away";
        }
    }
}

} // namespace
