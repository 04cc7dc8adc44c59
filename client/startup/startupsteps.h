#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QUrl>

// The steps of start-up that only turn inputs into values, kept apart so that they can be
// checked without starting the client.

// The program folder from argv[0] (local 8-bit), ending in "/"; empty when argv[0] names no
// existing file, so that the client's files are then taken from the working folder.
QString programFolder(const char *argv0);

// The trimmed content of the override file when it is an http or https address with a host;
// builtIn when the file is missing, cannot be read or holds anything else (logged).
QString readServerBaseUrl(const QString &fileName, const QString &builtIn);

// The class page for a class link (prefix, "classurl=", page parameters), or empty when the
// argument is no class link; the page parameters go to the page unchanged.
QString classPageUrl(const QString &serverBaseUrl, const QString &argument);

// The class page's address parsed in tolerant mode. A "%" that begins no escape stands for
// itself; the page parameters' escapes reach the page as they were written.
QUrl parseClassPageUrl(const QString &address);

// What the installer gets back when it restarts the client: the first argument as it was given
// (UTF-8), or the class link prefix alone.
QString updaterArgs(int argc, char **argv);

// The display name for a country: chineseName in China, the international name elsewhere.
QString appNameForCountry(QLocale::Country country, const QString &chineseName);

// The web engine switch that names the plug-in file in the program folder, in the file-name
// encoding, so that a program folder with any characters keeps its name.
QByteArray flashSwitch(const QString &appDir);
