#include "startupsteps.h"

#include "globals.h"

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
    return QString::fromUtf8(file.readAll()).trimmed();
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
