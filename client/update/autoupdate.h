#pragma once

#include "update/updatelimits.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

class QNetworkReply;

// The update road's worker. It lives on a thread of its own: the dialog emits sig_download on it
// from the GUI thread, the queued call runs downloadZip here, and the outcome goes back as one of
// the result signals. It downloads the archive into "updates/update.7z" under the program folder,
// unpacks it into "updates/ready", removes the archive and puts a new installer that the update
// brings in place of the installed one.
class AutoUpdate : public QObject
{
    Q_OBJECT
public:
    explicit AutoUpdate(QObject *parent = nullptr, const UpdateLimits &limits = UpdateLimits());
    ~AutoUpdate() override;

signals:
    void sig_download(QString exePath, QString url);
    void sig_progress(qint64 bytesReceived, qint64 bytesTotal);
    // 0: the download failed; 1: the unpacking failed.
    void sig_updateFailed(int res);
    void sig_updateComplete();

public slots:
    void downloadZip(QString exePath, QString url);
    void downLoadFinish(QNetworkReply *net);

private:
    void unpackUpdate(QString archivePath);

    QNetworkAccessManager manager;
    // The program folder, ending in "/"; empty until the first download request.
    QString programFolder;
    UpdateLimits limits;
};
