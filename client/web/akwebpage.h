#pragma once

#include <QUrl>
#include <QWebEnginePage>

#include <memory>

class QWebEngineProfile;

// The classroom page's policy: permissions for the server's own origin only, no certificate
// errors passed over, and the page's confirm questions in a standard question box.
class AKWebPage : public QWebEnginePage
{
    Q_OBJECT
public:
    AKWebPage(QWebEngineProfile *profile, QObject *parent);
    ~AKWebPage() override;

    // True from the start to the end of each load; shared, for script callbacks that may come
    // after the page has gone.
    std::shared_ptr<const bool> loadingFlag() const { return loading; }

signals:
    void loadLink(QUrl);

protected:
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool certificateError(const QWebEngineCertificateError &error) override;

private slots:
    void onfeaturePermissionRequested(QUrl, QWebEnginePage::Feature);
    void onfeaturePermissionRequestCanceled(QUrl, QWebEnginePage::Feature);

private:
    std::shared_ptr<bool> loading = std::make_shared<bool>(false);
};
