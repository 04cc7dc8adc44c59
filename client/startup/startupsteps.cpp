#include "startupsteps.h"

#include "app/globals.h"
#include "app/webaddress.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString programFolder(const char *argv0)
{
    if (!argv0)
        return QString();
    const QFileInfo program(QDir::fromNativeSeparators(QString::fromLocal8Bit(argv0)));
    if (!program.isFile())
        return QString();
    // The folder of the name as started: a program folder that links to the build's binary
    // is still the program folder.
    return program.absolutePath() + QLatin1Char('/');
}

QString readServerBaseUrl(const QString &fileName, const QString &builtIn)
{
    QFile file(fileName);
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return builtIn;
    const QString address = QString::fromUtf8(file.readAll()).trimmed();
    // The main window loads this address, with the bridges on its page, and the version check
    // takes the update from it: no script, file or other scheme.
    if (!isWebAddress(QUrl(address, QUrl::TolerantMode))) {
        qWarning().noquote() << QStringLiteral("%1 holds \"%2\", which is no http or https address "
                                               "with a host; the built-in address is kept")
                                    .arg(QFileInfo(fileName).fileName(), address);
        return builtIn;
    }
    return address;
}

QString classPageUrl(const QString &serverBaseUrl, const QString &argument)
{
    // The parameters begin after the first "classurl=" that follows the prefix, wherever the
    // prefix stands; a link without "classurl=" after the prefix opens the default page.
    const int prefixAt = argument.indexOf(classLinkPrefix);
    if (prefixAt < 0)
        return QString();
    const QString marker = QStringLiteral("classurl=");
    const int markerAt = argument.indexOf(marker, prefixAt + classLinkPrefix.size());
    if (markerAt < 0)
        return QString();
    return serverBaseUrl + QStringLiteral("/static/h5/index.html#/?") +
           argument.mid(markerAt + marker.size());
}

QUrl parseClassPageUrl(const QString &address)
{
    // Tolerant parsing re-encodes every "%" of a text in which one "%" begins no escape; the
    // stray ones are encoded here first, so that it leaves the others alone.
    const auto isHex = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    };
    QString text;
    text.reserve(address.size());
    for (int i = 0; i < address.size(); ++i) {
        const QChar c = address.at(i);
        if (c == QLatin1Char('%') &&
            !(i + 2 < address.size() && isHex(address.at(i + 1)) && isHex(address.at(i + 2))))
            text += QLatin1String("%25");
        else
            text += c;
    }
    return QUrl(text, QUrl::TolerantMode);
}

QString updaterArgs(int argc, char **argv)
{
    if (argc > 1 && argv[1])
        return QString::fromUtf8(argv[1]);
    return classLinkPrefix;
}

QString appNameForCountry(QLocale::Country country, const QString &chineseName)
{
    return country == QLocale::China ? chineseName : internationalAppName;
}

QByteArray flashSwitch(const QString &appDir)
{
    return QFile::encodeName(
        QStringLiteral("--ppapi-flash-path=%1pepflashplayer32_28_0_0_137.dll").arg(appDir));
}
