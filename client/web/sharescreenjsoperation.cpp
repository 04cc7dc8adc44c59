#include "sharescreenjsoperation.h"

#include "app/globals.h"
#include "bridgeorigin.h"
#include "widgets/screensharewindow.h"

#include <QVariant>
#include <QWebEnginePage>
#include <QWidget>

namespace {

// Ends the share inside the page's share frame, then removes the frame.
const QString stopShareScript = QStringLiteral(
    "var globalIframe = document.getElementById(\"shareScreenIframe\");        "
    "globalIframe.contentWindow.globalAKRoom.close(true);        globalIframe.remove();");

} // namespace

ShareScreenJSOperation::ShareScreenJSOperation(QObject *parent, QWebEnginePage *page)
    : QObject(parent), page(page), shareBar(new ScreenShareWindow())
{
    connect(shareBar, &ScreenShareWindow::onStopShareClick, this,
            &ShareScreenJSOperation::onStopShareClicked);
}

ShareScreenJSOperation::~ShareScreenJSOperation()
{
    shareBar->deleteLater();
}

void ShareScreenJSOperation::StartScreenShare()
{
    if (!bridgeCallAllowed(page, "ScreenShareObj.StartScreenShare"))
        return;
    shareBar->show();
    shareBar->placeShareBar();
    if (mainWindow)
        mainWindow->showMinimized();
}

void ShareScreenJSOperation::StopScreenShare()
{
    if (!bridgeCallAllowed(page, "ScreenShareObj.StopScreenShare"))
        return;
    shareBar->hide();
    if (mainWindow)
        mainWindow->showNormal();
}

void ShareScreenJSOperation::onStopShareClicked()
{
    shareBar->hide();
    if (mainWindow)
        mainWindow->showNormal();
    // The page may already be gone with its view; what the script finds or throws is the page's
    // business.
    if (page)
        page->runJavaScript(stopShareScript, [](const QVariant &) {});
}
