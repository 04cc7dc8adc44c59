#include "startup.h"

#include "app/globals.h"
#include "app/logmessagehandler.h"
#include "app/singleinstance.h"
#include "app/webstorage.h"
#include "applicationarguments.h"
#include "crash/exceptionfilters.h"
#include "startupsteps.h"
#include "update/installerhandover.h"
#include "update/liveupdate.h"
#include "widgets/akmessagebox.h"
#include "windows/akmainwindow.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QWebEngineSettings>

#include <memory>

namespace {

const QString alreadyRunningText = QStringLiteral("Quorvel课堂已在运行...");

} // namespace

int runClient(int argc, char **argv)
{
    // The crash handling is installed here, before anything else runs.
    installExceptionFilters();

    // Set before any location is read: the web engine's folders follow these names.
    QCoreApplication::setApplicationName(applicationName);
    QCoreApplication::setOrganizationName(QString());

    appDir = programFolder(argc > 0 ? argv[0] : nullptr);
    openLog(appDir + QStringLiteral("aulark.log"));
    serverBaseUrl = readServerBaseUrl(appDir + QStringLiteral("aularkhome.txt"), serverBaseUrl);

    // An install that was cut short may have left parts of two versions in the folder: only the
    // installer can finish or undo it, so it gets the folder before this version runs at all.
    // Decided as soon as the folder and the arguments are known and the log is open, before the
    // application object, the single-instance lock and any window: the installer needs neither
    // a display nor the lock (it ends every client of this folder and keeps its own lock), and a
    // running instance must not keep the folder from being repaired.
    switch (interruptedInstallAtStart(appDir)) {
    case InterruptedInstall::None:
        break;
    case InterruptedInstall::HandOver:
        qInfo() << "an interrupted install was found, handing over to the installer";
        handOverInterruptedInstall(appDir, updaterArgs(argc, argv));
        qWarning() << "starting the installed version as it is";
        break;
    case InterruptedInstall::LeftByInstaller:
        qWarning() << "the installer left an interrupted install behind, "
                      "starting the installed version as it is";
        break;
    }

    ApplicationArguments arguments(argc, argv, flashSwitch(appDir));
    QApplication::setAttribute(Qt::AA_UseSoftwareOpenGL);
    QApplication app(arguments.count(), arguments.values());

    // Decided before the web engine's data is cleared, and only the first instance clears it:
    // a second start must not remove the running instance's profile under its feet. The web
    // engine has not touched its folders yet; it starts with its settings below. The lock comes
    // after the application object, which names the holding program in the lock file.
    const bool firstInstance = singleInstanceLock();
    if (firstInstance)
        clearWebStorage();

    qDebug() << "********************Aulark Start*************************";
    qInfo() << "CurrentVersoin: " << appVersion;

    appName = appNameForCountry(QLocale().country(), appName);

    const QString classUrl =
        classPageUrl(serverBaseUrl, argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    if (!classUrl.isEmpty())
        qDebug() << "classurl:" << classUrl;

    QWebEngineSettings::defaultSettings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);

    // Stays until shutdown; an empty address loads serverBaseUrl.
    auto window = std::make_unique<AKMainWindow>();
    window->loadClassroomUrl(parseClassPageUrl(classUrl));
    window->show();
    mainWindow = window.get();

    QString notice;
    int result = 0;
    std::unique_ptr<LiveUpdate> updateDialog;
    if (!firstInstance) {
        notice = alreadyRunningText;
    } else {
        // Its version check hides it again when there is no update.
        updateDialog = std::make_unique<LiveUpdate>(updaterArgs(argc, argv), window.get());
        updateDialog->show();
        result = app.exec();
    }

    if (!notice.isEmpty()) {
        AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
        box.setMessageText(notice);
        box.setBoxSize(300, 180);
        result = box.exec();
    }

    releaseSingleInstanceLock();
    closeLog();
    // Stops the update worker's thread before the window, its parent, goes.
    updateDialog.reset();
    // The main window is destroyed before the application object.
    window.reset();
    mainWindow = nullptr;
    return result;
}
