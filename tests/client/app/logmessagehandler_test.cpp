#include "app/globals.h"
#include "app/logmessagehandler.h"

#include "tempdir.h"

#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <thread>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const QString kTime = QStringLiteral(R"(\(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+\))");

QString logOf(const TempDir &dir)
{
    return QString::fromStdString(readFile(dir / "aulark.log"));
}

QString logPath(const TempDir &dir)
{
    return QString::fromStdString((dir / "aulark.log").string());
}

// Lines of a log that must end in CR LF: the last element after the split is the empty rest.
QStringList linesOf(const QString &log)
{
    QStringList lines = log.split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines.last().isEmpty()) << "log does not end in CR LF";
    lines.removeLast();
    return lines;
}

void expectLine(const QString &line, const QString &pattern)
{
    const QRegularExpression re(QStringLiteral("^") + pattern + QStringLiteral("$"));
    EXPECT_TRUE(re.match(line).hasMatch())
        << line.toStdString() << "\n  !~ " << pattern.toStdString();
}

class LogMessageHandler : public ::testing::Test
{
protected:
    void TearDown() override { closeLog(); }
    TempDir dir;
};

TEST_F(LogMessageHandler, WritesEveryLevelAsOneFlushedLine)
{
    openLog(logPath(dir));
    qDebug() << "a debug line";
    EXPECT_TRUE(logOf(dir).contains(QStringLiteral("a debug line"))) << "not flushed at once";
    qInfo() << "an info line";
    qWarning() << "a warning with %1 and %2 in it";
    qCritical() << "a critical line";
    messageHandler(QtSystemMsg, QMessageLogContext(), QStringLiteral("a system line"));
    messageHandler(QtDebugMsg, QMessageLogContext("source.cpp", 42, "f", "default"),
                   QStringLiteral("with context"));
    closeLog();

    const QStringList lines = linesOf(logOf(dir));
    ASSERT_EQ(lines.size(), 6);
    const QString ctx = QStringLiteral(R"(File:\(\) Line:\(0\))");
    expectLine(lines[0], "Debug: " + ctx + " a debug line " + kTime);
    // The information level has no text, so the line begins with the blank that follows it.
    expectLine(lines[1], " " + ctx + " an info line " + kTime);
    expectLine(lines[2], "Warning: " + ctx + " a warning with %1 and %2 in it " + kTime);
    expectLine(lines[3], "Critical: " + ctx + " a critical line " + kTime);
    expectLine(lines[4], "Critical: " + ctx + " a system line " + kTime);
    expectLine(lines[5], R"(Debug: File:\(source.cpp\) Line:\(42\) with context )" + kTime);
}

// A message cannot start a line of its own that would pass for one of the client's.
TEST_F(LogMessageHandler, LineBreaksInsideAMessageAreWrittenVisibly)
{
    openLog(logPath(dir));
    qWarning().noquote() << "x\r\nDebug: File:() Line:(0) forged (2019-12-20 09:15:02 Fri)";
    qWarning().noquote() << "cr\ronly";
    qWarning().noquote() << "lf\nonly\n";
    qWarning().noquote() << "both\n\rreversed";
    closeLog();

    const QStringList lines = linesOf(logOf(dir));
    ASSERT_EQ(lines.size(), 4) << logOf(dir).toStdString();
    const QString ctx = QStringLiteral(R"(Warning: File:\(\) Line:\(0\) )");
    expectLine(lines[0],
               ctx + R"(x\\r\\nDebug: File:\(\) Line:\(0\) forged \(2019-12-20 09:15:02 Fri\) )" +
                   kTime);
    expectLine(lines[1], ctx + R"(cr\\ronly )" + kTime);
    expectLine(lines[2], ctx + R"(lf\\nonly\\n )" + kTime);
    expectLine(lines[3], ctx + R"(both\\n\\rreversed )" + kTime);
}

TEST_F(LogMessageHandler, FatalLineIsOnDiskBeforeTheProcessEnds)
{
    EXPECT_DEATH(
        {
            openLog(logPath(dir));
            qFatal("the last words");
        },
        "");
    const QStringList lines = linesOf(logOf(dir));
    ASSERT_EQ(lines.size(), 1);
    expectLine(lines[0], R"(Fatal: File:\(\) Line:\(0\) the last words )" + kTime);
}

TEST_F(LogMessageHandler, LinesFromTwoThreadsStayWhole)
{
    openLog(logPath(dir));
    const QString payload(300, QLatin1Char('x'));
    auto writer = [&](char tag) {
        for (int i = 0; i < 400; ++i)
            qInfo().noquote() << QString(QLatin1Char(tag)) + payload;
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    closeLog();

    const QStringList lines = linesOf(logOf(dir));
    ASSERT_EQ(lines.size(), 800);
    int fromA = 0;
    for (const QString &line : lines) {
        expectLine(line, R"( File:\(\) Line:\(0\) [ab]x{300} )" + kTime);
        fromA += line.contains(QStringLiteral(" ax")) ? 1 : 0;
    }
    EXPECT_EQ(fromA, 400);
}

TEST_F(LogMessageHandler, NothingIsWrittenAfterCloseAndARestartAppends)
{
    writeFile(dir / "aulark.log", "earlier run\r\n");
    openLog(logPath(dir));
    qWarning() << "first run";
    closeLog();
    EXPECT_EQ(logStream, nullptr);
    const QString afterFirst = logOf(dir);
    qWarning() << "after shutdown";
    EXPECT_EQ(logOf(dir), afterFirst);

    openLog(logPath(dir));
    qWarning() << "second run";
    closeLog();
    const QStringList lines = linesOf(logOf(dir));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("earlier run"));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("first run")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("second run")));
}

TEST_F(LogMessageHandler, ALogThatCannotBeOpenedLosesLinesButNeverBlocks)
{
    // The stream's own complaint about the closed device is raised inside the handler; it must
    // not come back into the handler and dead-lock on the log mutex.
    const QString missing =
        QString::fromStdString((dir / "no-such-folder" / "aulark.log").string());
    openLog(missing);
    ASSERT_NE(logStream, nullptr);
    qWarning() << "lost";
    qInfo() << "lost too";
    closeLog();
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
