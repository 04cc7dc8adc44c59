#include "akwebpage.h"

#include "app/globals.h"
#include "app/webaddress.h"

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
