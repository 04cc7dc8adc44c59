#include "clientprocess.h"

#include "programnames.h"

namespace testsupport {

ClientProcess::ClientProcess(const ProgramFolder &folder, const QStringList &arguments,
                             const QProcessEnvironment &extra)
{
    m_process.setProgram(QString::fromStdString((folder / programnames::kClient).string()));
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The test decides nothing about the display; without one the client runs offscreen.
    if (!env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A developer's own debugging port stays out of the test.
    env.remove(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"));
    env.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
    env.insert(extra);
    m_process.setProcessEnvironment(env);
    m_process.start();
    m_process.waitForStarted(30000);
}

ClientProcess::~ClientProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(30000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool ClientProcess::running()
{
    // Without an event loop QProcess learns of the end only when asked to wait.
    return m_process.state() == QProcess::Running && !m_process.waitForFinished(0);
}

int ClientProcess::waitForExit()
{
    if (!m_process.waitForFinished(120000))
        return -2;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

} // namespace testsupport
