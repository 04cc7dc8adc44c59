#pragma once

#include <QUrl>
#include <QWebEnginePage>

class QWebEngineProfile;

// The classroom page's policy: permissions for the server's own origin only, no certificate
// errors passed over, and the page's confirm questions in a standard question box.
class AKWebPage : public QWebEnginePage
{
    Q_OBJECT
public:
    AKWebPage(QWebEngineProfile *profile, QObject *parent);
    ~AKWebPage() override;

    // Whether origin is the origin (scheme, host, port) of serverBaseUrl.
    static bool isServerOrigin(const QUrl &origin);

signals:
    void loadLink(QUrl);

protected:
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool certificateError(const QWebEngineCertificateError &error) override;

private slots:
    void onfeaturePermissionRequested(QUrl, QWebEnginePage::Feature);
    void onfeaturePermissionRequestCanceled(QUrl, QWebEnginePage::Feature);
};
