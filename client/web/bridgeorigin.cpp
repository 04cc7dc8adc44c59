#include "bridgeorigin.h"

#include "app/webaddress.h"

#include <QDebug>
#include <QUrl>
#include <QWebEnginePage>

bool bridgeCallAllowed(const QWebEnginePage *page, const char *call)
{
    const QUrl url = page ? page->url() : QUrl();
    if (isServerOrigin(url))
        return true;
    const QString origin = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath |
                                        QUrl::RemoveQuery | QUrl::RemoveFragment)
                               .toString();
    qWarning().noquote() << QStringLiteral("%1 refused for a page of another origin: %2")
                                .arg(QLatin1String(call),
                                     origin.isEmpty() ? QStringLiteral("none") : origin);
    return false;
}
