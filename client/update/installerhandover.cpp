#include "update/installerhandover.h"

#include "app/globals.h"
#include "app/logmessagehandler.h"
#include "programnames.h"
#include "programstart.h"
#include "updatefolders.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QTextStream>

#include <unistd.h>

#include <cstring>

namespace {

// Set in the installer's environment by a hand-over at start; the installer passes its
// environment on to the client it starts again.
const char kHandedOverMark[] = "AULARK_INTERRUPTED_INSTALL_HANDED_OVER";

// Ends the process at once, as the installer expects: no destructor, exit handler or event loop
// runs, and the worker thread is left as it is. The log lock is kept to the end so that no other
// thread leaves half a line behind.
[[noreturn]] void endClientNow()
{
    logMutex().lock();
    if (logStream)
        logStream->flush();
    _exit(0);
}

} // namespace

InterruptedInstall interruptedInstallAtStart(const QString &appDir)
{
    const bool handedOver = qEnvironmentVariableIsSet(kHandedOverMark);
    // Only for this start: the programs this client starts later are no longer part of it.
    qunsetenv(kHandedOverMark);
    // Whatever stands under that name: the installer decides what it means.
    const QFileInfo journal(appDir + QString::fromLatin1(updatefolders::kJournal));
    if (!journal.exists() && !journal.isSymLink())
        return InterruptedInstall::None;
    return handedOver ? InterruptedInstall::LeftByInstaller : InterruptedInstall::HandOver;
}

void handOverToInstaller(const QString &appDir, const QString &updaterArgs)
{
    // From the program folder by its full name: a bare name would be looked up along PATH.
    const QString installer =
        QFileInfo(appDir + QString::fromLatin1(programnames::kUpdater)).absoluteFilePath();
    // The installer inherits only the standard streams: the single-instance lock among the
    // client's descriptors would keep the client it starts again from running.
    const int error = processes::startProgram(QFile::encodeName(installer).toStdString(),
                                              {updaterArgs.toLocal8Bit().toStdString()});
    if (error == 0)
        endClientNow();
    qWarning() << "the installer could not be started:" << installer << strerror(error);
}

void handOverInterruptedInstall(const QString &appDir, const QString &updaterArgs)
{
    qputenv(kHandedOverMark, "1");
    handOverToInstaller(appDir, updaterArgs);
    qunsetenv(kHandedOverMark);
}
