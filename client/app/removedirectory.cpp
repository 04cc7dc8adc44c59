#include "removedirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool isKept(const QString &path, const QStringList &keep)
{
    const QString clean = QDir::cleanPath(path);
    for (const QString &entry : keep) {
        if (QDir::cleanPath(entry) == clean)
            return true;
    }
    return false;
}

} // namespace

bool removeDirectoryRecursively(const QString &path, const QStringList &keep)
{
    if (path.isEmpty() || isKept(path, keep))
        return false;
    const QFileInfo top(path);
    if (!top.isDir())
        return true;

    // Without QDir::Hidden and QDir::System: hidden entries, pipes, sockets, devices and broken
    // links stay where they are, and so does the folder that holds them.
    const QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString entryPath = entry.absoluteFilePath();
        if (isKept(entryPath, keep))
            continue;
        if (entry.isSymLink() || !entry.isDir())
            QFile::remove(entryPath);
        else
            removeDirectoryRecursively(entryPath, keep);
    }

    // Only the folder itself: the folders above it are not part of the tree.
    const QString absolute = top.absoluteFilePath();
    QDir().rmdir(absolute);
    return !QFileInfo::exists(absolute);
}
