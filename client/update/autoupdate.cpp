#include "update/autoupdate.h"

#include "update/archivedownload.h"
#include "update/extract7zarchive.h"

#include "programnames.h"
#include "updatefolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// Moves a new installer from the unpacked tree over the installed one. The tree handed to the
// installer must not hold the installer itself, and the one the dialog starts must be the new one.
void placeNewUpdater(const QString &readyFolder, const QString &programFolder)
{
    const QString updaterName = QString::fromLatin1(programnames::kUpdater);
    const QString newUpdater = readyFolder + "/" + updaterName;
    const QFileInfo info(newUpdater);
    // A link is not a program file: moved out of the tree it would point elsewhere.
    if (info.isSymLink() || !info.isFile())
        return;
    // Archives made without Unix modes give files without execute permission; the installer has
    // to be started all the same.
    QFile::setPermissions(newUpdater, info.permissions() | QFileDevice::ExeOwner |
                                          QFileDevice::ExeUser | QFileDevice::ExeGroup |
                                          QFileDevice::ExeOther);
    // One rename replaces the installed file in a single step: if it fails, the installed
    // installer is still there and the new one stays in the tree.
    const QString installed = programFolder + updaterName;
    std::rename(QFile::encodeName(newUpdater).constData(),
                QFile::encodeName(installed).constData());
}

// Leaves `folder` empty, or reports that it cannot. Whatever an earlier attempt left there (its
// files, the temporaries of an extraction that was killed) would be installed with this update.
// Links are removed as links: nothing outside the folder is touched.
bool emptyFolder(const QByteArray &folder)
{
    const std::filesystem::path path(folder.toStdString());
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !error && std::filesystem::create_directory(path, error) && !error;
}

} // namespace

AutoUpdate::AutoUpdate(QObject *parent, const UpdateLimits &limits)
    : QObject(parent), manager(this), limits(limits)
{
    qRegisterMetaType<QNetworkReply *>("QNetworkReply*");
    connect(this, SIGNAL(sig_download(QString, QString)), this,
            SLOT(downloadZip(QString, QString)));
    connect(&manager, SIGNAL(finished(QNetworkReply *)), this,
            SLOT(downLoadFinish(QNetworkReply *)));
}

AutoUpdate::~AutoUpdate() = default;

void AutoUpdate::downloadZip(QString exePath, QString url)
{
    programFolder = exePath;
    // No TLS or redirect setting is changed: the archive is fetched with the default
    // certificate verification. A server that goes silent ends the download.
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setTransferTimeout(limits.transferTimeoutMs);
    QNetworkReply *reply = manager.get(request);
    connect(reply, SIGNAL(downloadProgress(qint64, qint64)), this,
            SIGNAL(sig_progress(qint64, qint64)));
    // Goes to disk as it arrives, under a temporary name until it is complete, so that
    // "update.7z" is never a part of the download.
    new ArchiveDownload(reply, programFolder + QString::fromLatin1(updatefolders::kUpdates),
                        programFolder + QString::fromLatin1(updatefolders::kArchive),
                        limits.maxArchiveBytes);
}

void AutoUpdate::downLoadFinish(QNetworkReply *net)
{
    net->deleteLater();
    auto *archive = net->findChild<ArchiveDownload *>();
    if (!archive || net->error() != QNetworkReply::NoError || !archive->takeRest()) {
        // Nothing of a failed download stays behind.
        if (archive)
            archive->discard();
        emit sig_updateFailed(0);
        return;
    }

    const QString archivePath = programFolder + QString::fromLatin1(updatefolders::kArchive);
    // When it cannot be stored, the unpacking fails on the missing file.
    archive->commit();
    unpackUpdate(archivePath);
}

void AutoUpdate::unpackUpdate(QString archivePath)
{
    const QString readyFolder = programFolder + QString::fromLatin1(updatefolders::kReady);
    // In the encoding of every other file name of the client, so that the routine opens the
    // very folders that Qt created (UTF-8 under the UTF-8 locales that the client runs in).
    const QByteArray readyName = QFile::encodeName(QDir(readyFolder).absolutePath());
    const int result =
        emptyFolder(readyName)
            ? extract7zArchive(QFile::encodeName(archivePath).constData(), readyName.constData())
            : int(kExtractOutputFailed);
    QFile::remove(archivePath);
    // Also after a failed extraction: a complete new installer may already be in the tree.
    placeNewUpdater(readyFolder, programFolder);

    if (result != kExtractOk)
        emit sig_updateFailed(1);
    else
        emit sig_updateComplete();
}
