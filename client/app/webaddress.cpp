#include "webaddress.h"

#include "globals.h"

#include <QUrl>

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

bool isServerOrigin(const QUrl &url)
{
    const QUrl server(serverBaseUrl, QUrl::TolerantMode);
    if (!server.isValid() || server.host().isEmpty())
        return false;
    const auto defaultPort = [](const QUrl &address) {
        const QString scheme = address.scheme().toLower();
        return scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1;
    };
    return url.scheme().compare(server.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(server.host(), Qt::CaseInsensitive) == 0 &&
           url.port(defaultPort(url)) == server.port(defaultPort(server));
}
