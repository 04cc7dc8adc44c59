#include "update/archivedownload.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QNetworkReply>
#include <QSaveFile>

namespace {
constexpr qint64 readBufferBytes = 1024 * 1024;
} // namespace

ArchiveDownload::ArchiveDownload(QNetworkReply *reply, const QString &folder,
                                 const QString &archivePath, qint64 sizeLimit)
    : QObject(reply), reply(reply), folder(folder), archivePath(archivePath), sizeLimit(sizeLimit)
{
    // The network is faster than the disk: without a bound, what the disk has not yet taken
    // piles up in memory.
    reply->setReadBufferSize(readBufferBytes);
    connect(reply, &QIODevice::readyRead, this, &ArchiveDownload::receive);
}

ArchiveDownload::~ArchiveDownload()
{
    discard();
}

void ArchiveDownload::receive()
{
    if (store(reply->readAll()))
        return;
    // Ends in the reply's finished signal, as a failed download.
    reply->abort();
}

bool ArchiveDownload::takeRest()
{
    return store(reply->readAll());
}

bool ArchiveDownload::store(const QByteArray &block)
{
    if (refused)
        return false;
    received += block.size();
    bool announcedOk = false;
    const qint64 announced =
        reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&announcedOk);
    if (received > sizeLimit || (announcedOk && (announced > sizeLimit || received > announced))) {
        qWarning().noquote() << QStringLiteral("update archive refused: %1 bytes received, %2 "
                                               "announced, at most %3 taken, from %4")
                                    .arg(received)
                                    .arg(announcedOk ? QString::number(announced)
                                                     : QStringLiteral("none"))
                                    .arg(sizeLimit)
                                    .arg(reply->url().toString());
        refused = true;
        discard();
        return false;
    }
    if (!file)
        open();
    if (!writeFailed && !block.isEmpty() && file->write(block) != block.size())
        writeFailed = true;
    return true;
}

void ArchiveDownload::open()
{
    // One level, as before: a download folder that cannot be made shows as a file that cannot
    // be written.
    createdFolder = !QDir(folder).exists() && QDir().mkdir(folder);
    file = std::make_unique<QSaveFile>(archivePath);
    if (!file->open(QIODevice::WriteOnly))
        writeFailed = true;
}

bool ArchiveDownload::commit()
{
    if (!file)
        open();
    const bool stored = !writeFailed && file->commit();
    file.reset();
    createdFolder = false;
    // An archive left by an earlier run must not be unpacked in place of this one.
    if (!stored)
        QFile::remove(archivePath);
    return stored;
}

void ArchiveDownload::discard()
{
    file.reset();
    if (createdFolder)
        QDir().rmdir(folder);
    createdFolder = false;
}
