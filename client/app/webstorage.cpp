#include "webstorage.h"

#include "globals.h"
#include "removedirectory.h"

#include <QStandardPaths>

namespace {

// The engine keeps its default profile under <data>/<application>/QtWebEngine/Default and its
// cache under <cache>/<application>. The folders are built from the fixed application name, so
// that an unset name can never widen the removal to the user's whole data folder.
QString engineFolder(QStandardPaths::StandardLocation base)
{
    const QString root = QStandardPaths::writableLocation(base);
    if (root.isEmpty())
        return QString();
    return root + QLatin1Char('/') + applicationName;
}

} // namespace

void clearWebStorage()
{
    const QString data = engineFolder(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty())
        removeDirectoryRecursively(data,
                                   {data + QStringLiteral("/QtWebEngine/Default/Local Storage")});
    const QString cache = engineFolder(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        removeDirectoryRecursively(cache, {});
}
