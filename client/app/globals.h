#pragma once

#include <QString>

class QTextStream;
class QWidget;

// Values that the whole client shares. Start-up fills them in on the main thread before any of
// the client's own threads exist; afterwards they are only read (logStream excepted: the log
// handler reads it under logMutex and shutdown clears it under the same lock).

// Sent to the server's version check and written into crash report names.
extern const QString appVersion;
// Every class link begins with it; alone it is what the installer gets when no link was given.
extern const QString classLinkPrefix;
// The address used when the program folder holds no "aularkhome.txt". It names no real host:
// an installation points the client at its server through that file.
extern const QString defaultServerBaseUrl;
// The application's name for the framework: it names the per-user folders in which the web
// engine keeps its profile and cache, whatever the program file is called.
extern const QString applicationName;
// The display name used outside China.
extern const QString internationalAppName;

// The display name in every window title; chosen by country before any window exists.
extern QString appName;
// No trailing "/"; the class page, the default page and the version check are built on it.
extern QString serverBaseUrl;
// The program folder, ending in "/"; empty when argv[0] names no file (then the working folder).
extern QString appDir;
// The main window while start-up keeps it; a screen share moves it out of the way.
extern QWidget *mainWindow;
// The stream on "aulark.log"; null before the log is opened and after shutdown closed it.
extern QTextStream *logStream;
