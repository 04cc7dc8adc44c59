#include "app/singleinstance.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// A second process that takes the lock and holds it until its standard input closes.
class Holder
{
public:
    explicit Holder(const QStringList &arguments = {})
    {
        m_process.setProgram(QStringLiteral(SINGLE_INSTANCE_HOLDER));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }
    ~Holder()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // The next line the holder prints.
    QString line()
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(30000))
                return QString();
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    void endNormally()
    {
        m_process.closeWriteChannel();
        ASSERT_TRUE(m_process.waitForFinished(30000));
        EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    }
    void killHard()
    {
        m_process.kill();
        ASSERT_TRUE(m_process.waitForFinished(30000));
    }

private:
    QProcess m_process;
};

class SingleInstance : public ::testing::Test
{
protected:
    void TearDown() override { releaseSingleInstanceLock(); }
};

TEST_F(SingleInstance, RefusedWhileTheFirstRunsAndFreeAfterItEnded)
{
    Holder first;
    ASSERT_EQ(first.line(), "locked");
    EXPECT_FALSE(singleInstanceLock());
    first.endNormally();
    EXPECT_TRUE(singleInstanceLock());

    // And the other way round: this process holds it now.
    Holder second;
    EXPECT_EQ(second.line(), "refused");
}

TEST_F(SingleInstance, FreeAfterTheHolderWasKilled)
{
    Holder first;
    ASSERT_EQ(first.line(), "locked");
    first.killHard();
    EXPECT_TRUE(singleInstanceLock());
}

TEST_F(SingleInstance, AProgramStartedByTheHolderDoesNotInheritTheLock)
{
    Holder first({QStringLiteral("--spawn")});
    const QString child = first.line();
    ASSERT_TRUE(child.startsWith(QStringLiteral("child "))) << child.toStdString();
    const pid_t childPid = child.mid(6).toInt();
    ASSERT_GT(childPid, 0);
    ASSERT_EQ(first.line(), "locked");
    first.killHard();
    ASSERT_EQ(::kill(childPid, 0), 0) << "the started program should still run";
    EXPECT_TRUE(singleInstanceLock());
    ::kill(childPid, SIGKILL);
}

TEST_F(SingleInstance, ALiveHolderKeepsTheLockHoweverOldItIs)
{
    Holder first;
    ASSERT_EQ(first.line(), "locked");
    QFile lockFile(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                   QStringLiteral("/AULARK.lock"));
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                     QFileDevice::FileModificationTime));
    lockFile.close();
    EXPECT_FALSE(singleInstanceLock());
}

TEST_F(SingleInstance, ReleaseIsSafeToRepeatAndLockingTwiceInOneProcessIsRefused)
{
    releaseSingleInstanceLock();
    ASSERT_TRUE(singleInstanceLock());
    EXPECT_FALSE(singleInstanceLock());
    releaseSingleInstanceLock();
    releaseSingleInstanceLock();
    EXPECT_TRUE(singleInstanceLock());
}

} // namespace
