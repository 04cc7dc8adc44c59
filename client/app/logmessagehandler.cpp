#include "logmessagehandler.h"

#include "globals.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

namespace {

// Not owned by a static object on purpose: messages logged while the program's statics are
// being destroyed must still find a valid stream or none, never a destroyed one.
QFile *logFile = nullptr;

QString levelText(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug:");
    case QtWarningMsg:
        return QStringLiteral("Warning:");
    case QtCriticalMsg:
        return QStringLiteral("Critical:");
    case QtFatalMsg:
        return QStringLiteral("Fatal:");
    case QtInfoMsg:
        break;
    }
    return QString();
}

} // namespace

QMutex &logMutex()
{
    // Never destroyed: threads may still log while the program exits.
    static QMutex *mutex = new QMutex;
    return *mutex;
}

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QMutexLocker locker(&logMutex());
    const QString where = QStringLiteral("File:(%1) Line:(%2)")
                              .arg(QString::fromUtf8(context.file))
                              .arg(context.line);
    const QString when = QStringLiteral("(%1)").arg(
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ddd")));
    // A message is one line whatever it holds: a line break of its own (a page's console text,
    // a server's answer) would start a line that looks like the client's.
    QString text = message;
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    // One multi-argument pass, so that "%1" inside the message is not taken as a place marker.
    const QString line = QStringLiteral("%1 %2 %3 %4").arg(levelText(type), where, text, when);
    if (logStream) {
        *logStream << line << "\r\n";
        logStream->flush();
    }
}

void openLog(const QString &fileName)
{
    {
        QMutexLocker locker(&logMutex());
        if (!logFile) {
            logFile = new QFile(fileName);
            // Binary mode: the line ends are written as they are.
            logFile->open(QIODevice::WriteOnly | QIODevice::Append);
            logStream = new QTextStream(logFile);
        }
    }
    qInstallMessageHandler(messageHandler);
}

void closeLog()
{
    QTextStream *stream = nullptr;
    QFile *file = nullptr;
    {
        QMutexLocker locker(&logMutex());
        stream = logStream;
        file = logFile;
        logStream = nullptr;
        logFile = nullptr;
    }
    delete stream;
    delete file;
}
