#include "akwebpage.h"

#include "app/globals.h"

#include <QDebug>
#include <QMessageBox>
#include <QWebEngineCertificateError>
#include <QWidget>

AKWebPage::AKWebPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent)
{
    connect(this, SIGNAL(featurePermissionRequested(QUrl, QWebEnginePage::Feature)), this,
            SLOT(onfeaturePermissionRequested(QUrl, QWebEnginePage::Feature)));
    connect(this, SIGNAL(featurePermissionRequestCanceled(QUrl, QWebEnginePage::Feature)), this,
            SLOT(onfeaturePermissionRequestCanceled(QUrl, QWebEnginePage::Feature)));
    connect(this, &QWebEnginePage::loadStarted, this, [flag = loading] { *flag = true; });
    connect(this, &QWebEnginePage::loadFinished, this, [flag = loading] { *flag = false; });
}

AKWebPage::~AKWebPage() = default;

bool AKWebPage::isServerOrigin(const QUrl &origin)
{
    const QUrl server(serverBaseUrl, QUrl::TolerantMode);
    if (!server.isValid() || server.host().isEmpty())
        return false;
    const auto defaultPort = [](const QUrl &url) {
        const QString scheme = url.scheme().toLower();
        return scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1;
    };
    return origin.scheme().compare(server.scheme(), Qt::CaseInsensitive) == 0 &&
           origin.host().compare(server.host(), Qt::CaseInsensitive) == 0 &&
           origin.port(defaultPort(origin)) == server.port(defaultPort(server));
}

void AKWebPage::onfeaturePermissionRequested(QUrl origin, QWebEnginePage::Feature feature)
{
    // Camera, microphone and screen capture belong to the classroom; no other site in the page
    // (a frame, a page that a link led to) gets them.
    if (isServerOrigin(origin)) {
        setFeaturePermission(origin, feature, QWebEnginePage::PermissionGrantedByUser);
        return;
    }
    qWarning().noquote() << "Permission denied to" << origin.toString() << "for feature"
                         << int(feature);
    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
}

void AKWebPage::onfeaturePermissionRequestCanceled(QUrl origin, QWebEnginePage::Feature feature)
{
    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
}

bool AKWebPage::certificateError(const QWebEngineCertificateError &error)
{
    // The page holds the bridge objects: a page from a server that cannot prove who it is must
    // not load.
    qWarning().noquote() << "Certificate error" << error.error() << error.errorDescription()
                         << "for" << error.url().toString() << "- the page is not loaded";
    return false;
}

bool AKWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    Q_UNUSED(securityOrigin);
    QWidget *owner = qobject_cast<QWidget *>(parent());
    return QMessageBox::question(owner, appName, msg, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::NoButton) == QMessageBox::Yes;
}
