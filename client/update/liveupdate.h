#pragma once

#include "update/autoupdate.h"
#include "update/updatelimits.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QString>

class QCloseEvent;
class QNetworkReply;
class QResizeEvent;

// The update dialog shown at every start: it asks the server whether a newer version exists and
// hides again when there is none; otherwise it shows the download and unpacking that its worker
// does on a thread of its own, and on success hands over to the installer and ends the client.
class LiveUpdate : public QDialog
{
    Q_OBJECT
public:
    LiveUpdate(const QString &updaterArgs, QWidget *parent,
               const UpdateLimits &limits = UpdateLimits());
    ~LiveUpdate() override;

public slots:
    void downloadProgress(qint64, qint64);
    void updateFailed(int res);
    void updateComplete();
    void linkClicked(QString link);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void checkVersion(QString version);
    void onVersionReply(QNetworkReply *reply);

    // False until the server has announced an update; chooses the layout.
    bool downloading;
    QProgressBar progressBar;
    AutoUpdate worker;
    QLabel linkLabel;
    QLabel statusLabel;
    // Handed to the installer, which gives it back to the client it starts again.
    QString updaterArgs;
    UpdateLimits limits;
};
