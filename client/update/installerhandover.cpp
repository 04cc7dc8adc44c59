#include "update/installerhandover.h"

#include "app/globals.h"
#include "app/logmessagehandler.h"
#include "programnames.h"
#include "updatefolders.h"

#include <QDebug>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QTextStream>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// Set in the installer's environment by a hand-over at start; the installer passes its
// environment on to the client it starts again.
const char kHandedOverMark[] = "AULARK_INTERRUPTED_INSTALL_HANDED_OVER";

// The installer must not inherit the client's descriptors: among them the single-instance lock,
// which would keep the client that the installer starts again from running, and the log.
// The client ends right after the start, so marking every descriptor costs nothing.
void closeDescriptorsOnExec()
{
    DIR *fds = opendir("/proc/self/fd");
    if (!fds)
        return;
    const int own = dirfd(fds);
    while (const dirent *entry = readdir(fds)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd <= STDERR_FILENO || fd == own)
            continue;
        const int flags = fcntl(int(fd), F_GETFD);
        if (flags != -1)
            fcntl(int(fd), F_SETFD, flags | FD_CLOEXEC);
    }
    closedir(fds);
}

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
    closeDescriptorsOnExec();
    if (QProcess::startDetached(installer, {updaterArgs}, QString()))
        endClientNow();
    qWarning() << "the installer could not be started:" << installer;
}

void handOverInterruptedInstall(const QString &appDir, const QString &updaterArgs)
{
    qputenv(kHandedOverMark, "1");
    handOverToInstaller(appDir, updaterArgs);
    qunsetenv(kHandedOverMark);
}
