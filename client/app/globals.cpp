#include "globals.h"

const QString appVersion = QStringLiteral("2019121900");
const QString classLinkPrefix = QStringLiteral("davadazeda://start/?");
const QString defaultServerBaseUrl = QStringLiteral("https://classroom.invalid");
const QString applicationName = QStringLiteral("Aulark");
const QString internationalAppName = QStringLiteral("DavadazEdacation");

QString appName = QStringLiteral("Quorvel课堂");
QString serverBaseUrl = defaultServerBaseUrl;
QString appDir;
QWidget *mainWindow = nullptr;
QTextStream *logStream = nullptr;
