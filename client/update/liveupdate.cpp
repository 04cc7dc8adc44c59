#include "update/liveupdate.h"

#include "app/globals.h"
#include "app/webaddress.h"
#include "crashhandler.h"
#include "update/installerhandover.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVariantMap>

namespace {

const QString refreshLink = QStringLiteral("refresh");

// The installer link comes from the server's answer: only a web address may be offered to the
// user, and only a web address is ever opened, whatever the label's markup says.
bool isInstallerLink(const QString &text)
{
    return isWebAddress(QUrl(text, QUrl::StrictMode));
}

// The archive's installer is run as the user: it comes over https, or from the classroom server
// itself (which may be a local one on http), and from nowhere else. Parsed as the worker does.
bool isUpdateAddress(const QString &text)
{
    const QUrl url(text, QUrl::TolerantMode);
    return isWebAddress(url) && (url.scheme() == QLatin1String("https") || isServerOrigin(url));
}

} // namespace

LiveUpdate::LiveUpdate(const QString &updaterArgs, QWidget *parent, const UpdateLimits &limits)
    : QDialog(parent), downloading(false), progressBar(this), worker(nullptr, limits),
      linkLabel(this), statusLabel(this), updaterArgs(updaterArgs), limits(limits)
{
    progressBar.setObjectName(QStringLiteral("progressBar"));
    linkLabel.setObjectName(QStringLiteral("linkLabel"));
    statusLabel.setObjectName(QStringLiteral("statusLabel"));

    // No close button while the dialog checks and downloads.
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);

    progressBar.setTextVisible(true);
    setFixedSize(460, 120);
    progressBar.hide();
    linkLabel.hide();

    checkVersion(appVersion);

    setWindowTitle(QStringLiteral("更新"));

    // Both labels carry only the dialog's own markup; the server's address is escaped into it.
    statusLabel.setTextFormat(Qt::RichText);
    linkLabel.setTextFormat(Qt::RichText);
    statusLabel.setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    statusLabel.setWordWrap(true);
    linkLabel.setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(&linkLabel, SIGNAL(linkActivated(QString)), this, SLOT(linkClicked(QString)));
    connect(&statusLabel, SIGNAL(linkActivated(QString)), this, SLOT(linkClicked(QString)));
    connect(&worker, SIGNAL(sig_progress(qint64, qint64)), this,
            SLOT(downloadProgress(qint64, qint64)));
    connect(&worker, SIGNAL(sig_updateFailed(int)), this, SLOT(updateFailed(int)));
    connect(&worker, SIGNAL(sig_updateComplete()), this, SLOT(updateComplete()));

    // The dialog reaches the thread only as the worker's thread. The worker runs the network
    // code and the extraction: a stack overflow there needs a stack of its own for the report.
    auto *thread = new QThread;
    connect(thread, &QThread::started, [] { crash::prepareThisThread(); });
    worker.moveToThread(thread);
    thread->start(QThread::InheritPriority);
}

LiveUpdate::~LiveUpdate()
{
    // The worker is a member: its thread must have stopped before it goes. A forced stop could
    // kill the thread inside the extraction or the network stack, so the thread is asked to
    // stop; it does so after the event at hand, at worst after one extraction.
    QThread *thread = worker.thread();
    thread->quit();
    thread->wait();
    delete thread;
}

void LiveUpdate::checkVersion(QString version)
{
    statusLabel.show();
    statusLabel.setText(QStringLiteral("正在启动更新程序..."));

    // One manager per check; the reply handler releases it (the dialog only if it goes first).
    auto *manager = new QNetworkAccessManager(this);

    QUrlQuery form;
    form.setQueryDelimiters('=', '&');
    form.addQueryItem(QStringLiteral("version"), version);
    form.addQueryItem(QStringLiteral("type"), QStringLiteral("1"));
    const QByteArray body = form.toString().toUtf8();

    connect(manager, &QNetworkAccessManager::finished, this, [this, manager](QNetworkReply *r) {
        manager->deleteLater();
        onVersionReply(r);
    });

    QNetworkRequest request(
        QUrl(serverBaseUrl + QStringLiteral("/ClientAPI/getversion"), QUrl::TolerantMode));
    // The default TLS configuration: the answer decides what is downloaded and run. A server
    // that goes silent ends in the network error.
    request.setTransferTimeout(limits.transferTimeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    manager->post(request, body);
}

void LiveUpdate::onVersionReply(QNetworkReply *reply)
{
    reply->deleteLater();

    if (reply->error() != QNetworkReply::NoError) {
        const char *name =
            QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error());
        qDebug().noquote() << QStringLiteral("getversion error = ") + QString::fromLatin1(name);
        statusLabel.setText(QStringLiteral("请检查您的网络，") + QStringLiteral(" ") +
                            QStringLiteral("<a style='color: green;' href =refresh >") +
                            QStringLiteral("刷新") + QStringLiteral("</a>") + QStringLiteral(" "));
        setWindowFlags(windowFlags() | Qt::WindowCloseButtonHint);
        show();
        return;
    }

    const QByteArray body = reply->readAll();
    if (body.isEmpty()) {
        hide();
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        hide();
        return;
    }
    const QVariantMap answer = document.object().toVariantMap();
    if (answer.value(QStringLiteral("result")).toInt() != 0) {
        hide();
        return;
    }

    downloading = true;
    statusLabel.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLabel.setText(QStringLiteral("正在下载更新中，请稍侯...."));
    progressBar.show();
    linkLabel.show();
    resizeEvent(nullptr);

    const QString update = answer.value(QStringLiteral("update")).toString();
    const QString install = answer.value(QStringLiteral("install")).toString();
    if (isInstallerLink(install)) {
        linkLabel.setText(QStringLiteral("<a style='color: green;' href =\"") +
                          install.toHtmlEscaped() + QStringLiteral("\" >") +
                          QStringLiteral("安装包下载") + QStringLiteral("</a>"));
    } else {
        qWarning() << "install link refused:" << install;
        linkLabel.clear();
    }
    if (!isUpdateAddress(update)) {
        qWarning().noquote() << "update address refused:" << update;
        updateFailed(0);
        return;
    }
    emit worker.sig_download(appDir, update);
}

void LiveUpdate::linkClicked(QString link)
{
    if (link == refreshLink) {
        checkVersion(appVersion);
        return;
    }
    if (!isInstallerLink(link)) {
        qWarning() << "install link refused:" << link;
        return;
    }
    QDesktopServices::openUrl(QUrl(link, QUrl::StrictMode));
}

void LiveUpdate::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    const auto low32 = [](qint64 value) { return qint32(quint32(quint64(value) & 0xffffffffu)); };
    progressBar.setRange(0, low32(bytesTotal));
    progressBar.setValue(low32(bytesReceived));
    if (bytesReceived == bytesTotal)
        statusLabel.setText(QStringLiteral("正在解压，请稍候...."));
}

void LiveUpdate::updateFailed(int res)
{
    statusLabel.setText(res == 0 ? QStringLiteral("升级失败，请点超级连接安装软件:")
                                 : QStringLiteral("解压失败，请点超级连接来下载软件："));
}

void LiveUpdate::updateComplete()
{
    statusLabel.setText(QStringLiteral("更新完成"));
    // Painted now: the pause below keeps the event loop from doing it.
    statusLabel.repaint();
    QThread::msleep(1000);

    handOverToInstaller(appDir, updaterArgs);
    // Ending now would leave the user with no client at all and nothing to start it again.
    statusLabel.setText(QStringLiteral("升级失败，请点超级连接安装软件:"));
}

void LiveUpdate::resizeEvent(QResizeEvent *event)
{
    if (event)
        QDialog::resizeEvent(event);
    if (downloading) {
        progressBar.setGeometry(25, 20, width() - 50, 35);
        statusLabel.setGeometry(25, height() - 47, 350, 40);
        linkLabel.setGeometry(width() - 95, height() - 40, 70, 24);
    } else {
        statusLabel.setGeometry(0, 0, width(), height());
    }
}

void LiveUpdate::closeEvent(QCloseEvent *event)
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("退出更新"), QStringLiteral("是否退出更新?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::No)
        event->ignore();
    else if (answer == QMessageBox::Yes)
        event->accept();
}
