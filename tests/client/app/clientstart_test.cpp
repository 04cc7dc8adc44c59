#include "programnames.h"
#include "tempdir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;
using testsupport::ProgramFolder;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// The built client started as a user starts it: from its program folder, with a class link.
class Client
{
public:
    Client(const ProgramFolder &folder, const QString &link)
    {
        m_process.setProgram(QString::fromStdString((folder / programnames::kClient).string()));
        m_process.setArguments({link});
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The test decides nothing about the display; without one the client runs offscreen.
        if (!env.contains(QStringLiteral("DISPLAY")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.start();
        m_process.waitForStarted(30000);
    }
    ~Client()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(30000)) {
                m_process.kill();
                m_process.waitForFinished();
            }
        }
    }
    // Without an event loop QProcess learns of the end only when asked to wait.
    bool running()
    {
        return m_process.state() == QProcess::Running && !m_process.waitForFinished(0);
    }
    bool waitForExit(int *exitCode)
    {
        if (!m_process.waitForFinished(60000))
            return false;
        *exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        return true;
    }

private:
    QProcess m_process;
};

// Waits (generously: the machine is shared) until the log holds `count` lines containing text.
bool waitForLog(const fs::path &log, const std::string &text, int count = 1)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 90000) {
        const std::string content = readFile(log);
        int found = 0;
        for (size_t at = content.find(text); at != std::string::npos;
             at = content.find(text, at + 1))
            ++found;
        if (found >= count)
            return true;
        QThread::msleep(50);
    }
    return false;
}

class ClientStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.linkFromBuild(programnames::kClient);
        writeFile(folder / "aularkhome.txt", "  http://127.0.0.1:9 \n");
        profile =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
            "/Aulark/QtWebEngine/Default";
        cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString() +
            "/Aulark/QtWebEngine/Default";
    }
    ProgramFolder folder;
    fs::path profile;
    fs::path cache;
    const QString link = QStringLiteral("davadazeda://start/?classurl=a=1&b=2");
};

TEST_F(ClientStart, LogsTheStartAndClearsStaleEngineDataButLocalStorage)
{
    writeFile(profile / "Local Storage" / "leveldb" / "000003.log", "kept");
    writeFile(profile / "stale-entry", "from an earlier run");
    writeFile(cache / "Cache" / "stale-entry", "from an earlier run");

    Client client(folder, link);
    ASSERT_TRUE(waitForLog(folder / "aulark.log", "classurl:")) << readFile(folder / "aulark.log");

    const std::string log = readFile(folder / "aulark.log");
    const auto at = [&](const std::string &line) { return log.find(line); };
    const size_t banner =
        at("Debug: File:() Line:(0) ********************Aulark Start************************* (");
    const size_t version = at("\r\n File:() Line:(0) CurrentVersoin:  \"2019121900\" (");
    const size_t classUrl = at("\r\nDebug: File:() Line:(0) classurl: "
                               "\"http://127.0.0.1:9/static/h5/index.html#/?a=1&b=2\" (");
    EXPECT_EQ(banner, 0u) << log;
    ASSERT_NE(version, std::string::npos) << log;
    ASSERT_NE(classUrl, std::string::npos) << log;
    EXPECT_LT(version, classUrl);

    EXPECT_EQ(readFile(profile / "Local Storage" / "leveldb" / "000003.log"), "kept");
    EXPECT_FALSE(fs::exists(profile / "stale-entry"));
    EXPECT_FALSE(fs::exists(cache / "Cache" / "stale-entry"));
    EXPECT_TRUE(client.running());
}

TEST_F(ClientStart, ASecondStartLeavesTheRunningInstanceAndItsDataAlone)
{
    Client first(folder, link);
    ASSERT_TRUE(waitForLog(folder / "aulark.log", "classurl:")) << readFile(folder / "aulark.log");
    // What the first instance's engine keeps while it runs.
    writeFile(profile / "in-use", "first instance");
    writeFile(cache / "Cache" / "in-use", "first instance");

    // The second start stops at its notice box (the box, its answer and the exit code are
    // driven through the X server in the widget suite); by the time it logs the class page it
    // has passed every step that could touch the first instance's data.
    Client second(folder, link);
    ASSERT_TRUE(waitForLog(folder / "aulark.log", "classurl:", 2))
        << readFile(folder / "aulark.log");
    EXPECT_TRUE(second.running());

    EXPECT_TRUE(first.running());
    EXPECT_EQ(readFile(profile / "in-use"), "first instance");
    EXPECT_EQ(readFile(cache / "Cache" / "in-use"), "first instance");
}

} // namespace
