#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QNetworkReply;
class QSaveFile;

// One download of the update archive, written to disk block by block as it arrives instead of
// being held in memory: into a QSaveFile, which takes the archive's name only once the download
// is complete. An answer that grows past the size limit or past its announced length is
// aborted. A child of its reply; whatever is not committed is discarded with it.
class ArchiveDownload : public QObject
{
    Q_OBJECT
public:
    // folder: the download folder, created with the first block; archivePath lies in it.
    ArchiveDownload(QNetworkReply *reply, const QString &folder, const QString &archivePath,
                    qint64 sizeLimit);
    ~ArchiveDownload() override;

    // Takes what is left of a reply that finished without error; false (logged) when the
    // answer was too large.
    bool takeRest();
    // Gives the stored download the archive's name. False when it could not be stored; no file
    // of that name is left then, not even one of an earlier run.
    bool commit();
    // Drops the part written so far, and the download folder when this download created it.
    void discard();

private:
    void receive();
    bool store(const QByteArray &block);
    void open();

    QNetworkReply *reply;
    QString folder;
    QString archivePath;
    qint64 sizeLimit;
    qint64 received = 0;
    std::unique_ptr<QSaveFile> file;
    bool writeFailed = false;
    bool createdFolder = false;
    bool refused = false;
};
