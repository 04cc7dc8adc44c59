#include "singleinstance.h"

#include <QLockFile>
#include <QStandardPaths>

#include <memory>

namespace {

std::unique_ptr<QLockFile> singleInstanceMutex;

QString lockFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/AULARK.lock");
}

} // namespace

bool singleInstanceLock()
{
    if (singleInstanceMutex)
        return false;
    // QLockFile creates the file exclusively and holds a native lock on a close-on-exec
    // descriptor: the test is atomic, programs started from here do not inherit the lock, and a
    // lock file left by a holder that is gone (killed, or from before a reboot) is taken over,
    // while the native lock keeps a live holder's file from being removed however old it is.
    auto lock = std::make_unique<QLockFile>(lockFileName());
    if (lock->tryLock(0)) {
        singleInstanceMutex = std::move(lock);
        return true;
    }
    // Only a live holder refuses the start; a runtime folder that cannot hold the lock file
    // must not keep the client from running, so it then runs without the lock.
    return lock->error() != QLockFile::LockFailedError;
}

void releaseSingleInstanceLock()
{
    singleInstanceMutex.reset();
}
