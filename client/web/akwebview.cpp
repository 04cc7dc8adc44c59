#include "akwebview.h"

#include "akwebpage.h"
#include "app/globals.h"
#include "app/webaddress.h"
#include "jsoperation.h"
#include "pagescripts.h"
#include "pen/hwhandler.h"
#include "savedlogin.h"
#include "sharescreenjsoperation.h"
#include "viewowner.h"

#include <QApplication>
#include <QDebug>
#include <QDesktopWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

// Script callbacks may come after the view has gone: they use only program-wide values.
void ignoreResult(const QVariant &) {}

void logResult(const QVariant &result)
{
    qDebug() << result;
}

void logUserAgent(const QVariant &result)
{
    qDebug().noquote() << "navigator type:" << result.toString();
}

// A URL change also comes with the start of every load, and its scripts may then read the new
// document's form before the saved login has been put into it: saving that would erase the
// saved login with empty values. Only a form of a loaded document is saved.
void saveNameResult(const QVariant &result, bool loading)
{
    qDebug().noquote() << "name" << result.toString();
    if (result.isValid() && !loading)
        saveName(result.toString());
}

void savePasswordResult(const QVariant &result, bool loading)
{
    if (result.isValid() && !loading)
        savePassword(result.toString());
}

} // namespace

AKWebView::AKWebView(QWidget *parent) : QWebEngineView(parent), parentWindow(parent)
{
    webPage = new AKWebPage(QWebEngineProfile::defaultProfile(), this);
    // Brings the live-room controller into being; parentWindow receives its results.
    liveObject = new JsOperation(parentWindow, webPage);
    setPage(webPage);
    screenShareObject = new ShareScreenJSOperation(parentWindow, webPage);
    webChannel = new QWebChannel(webPage);
    webChannel->registerObject(QStringLiteral("LiveObj"), liveObject);
    webChannel->registerObject(QStringLiteral("ScreenShareObj"), screenShareObject);
    webPage->setWebChannel(webChannel);
    setGeometry(parentWindow->rect());
    QWebEngineSettings *settings = webPage->settings();
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, true);
    connectViewSignals();
    show();
    // Without the pen library or a receiver the view runs on without pen input, silently.
    penHandler = new HwHandler(this, [this] { return activePage(); });
    penHandler->loadPenLibrary();
    setZoomFactor(QApplication::desktop()->logicalDpiX() / 96.0);
}

AKWebView::AKWebView(QWidget *parent, DisplayOnlyForm)
    : QWebEngineView(parent), parentWindow(parent), displayOnly(true)
{
    // No page of its own: it shows the page that its window hands it, with that page's
    // settings and zoom.
    setGeometry(parentWindow->rect());
    connectViewSignals();
    show();
}

AKWebView::~AKWebView()
{
    // Ends the live-room controller while the page and its channel are still here.
    delete liveObject;
    liveObject = nullptr;
}

void AKWebView::connectViewSignals()
{
    connect(this, &QWebEngineView::loadFinished, this, &AKWebView::onloadFinish);
    connect(this, &QWebEngineView::urlChanged, this, &AKWebView::onurlChanged);
    connect(this, &AKWebView::runjs, this, &AKWebView::onRunJavaScript);
    connect(this, &QWebEngineView::renderProcessTerminated, this,
            &AKWebView::onRenderProcessTerminated, Qt::DirectConnection);
}

void AKWebView::showPage(QWebEnginePage *page)
{
    shownPage = page;
    setPage(page);
}

QWebEnginePage *AKWebView::activePage() const
{
    if (!displayOnly)
        return webPage;
    // A view that has given its page back still signals the change of address that this brings.
    return shownPage && shownPage->view() == this ? shownPage.data() : nullptr;
}

bool AKWebView::showsItsPage() const
{
    const QWebEnginePage *shown = activePage();
    return shown && shown->view() == this;
}

void AKWebView::showEvent(QShowEvent *event)
{
    if (showsItsPage())
        QWebEngineView::showEvent(event);
    else
        QWidget::showEvent(event);
}

void AKWebView::hideEvent(QHideEvent *event)
{
    if (showsItsPage())
        QWebEngineView::hideEvent(event);
    else
        QWidget::hideEvent(event);
}

void AKWebView::loadDefaultUrl()
{
    load(QUrl(serverBaseUrl, QUrl::TolerantMode));
}

void AKWebView::checkPushStreamResult(int result)
{
    QWebEnginePage *target = activePage();
    if (!target)
        return;
    target->runJavaScript(pushResultScript.arg(result), logResult);
    target->runJavaScript(pushResultClickScript, logResult);
}

void AKWebView::onloadFinish(bool)
{
    emit runjs(true);
}

void AKWebView::onurlChanged(QUrl url)
{
    Q_UNUSED(url);
    if (auto *owner = dynamic_cast<ViewOwner *>(parentWindow)) {
        // Not title(): it would make a blank page for a view whose page is shown elsewhere.
        const QWebEnginePage *shown = activePage();
        owner->handleWebViewTitleChanged(shown ? shown->title() : QString());
    } else {
        parentWindow->setWindowTitle(appName);
    }
    emit runjs(false);
}

void AKWebView::onRunJavaScript(bool finish)
{
    if (finish)
        runAfterLoadScripts();
    else
        runAfterUrlChangeScripts();
}

void AKWebView::runAfterLoadScripts()
{
    QWebEnginePage *target = activePage();
    if (!target)
        return;
    // The saved login is the classroom's: a page of any other origin is not given it.
    const bool classroom = isServerOrigin(target->url());
    if (classroom)
        target->runJavaScript(elementScript(QStringLiteral("name"), readSavedName(), 0),
                              ignoreResult);
    target->runJavaScript(elementScript(QStringLiteral("footer"), QString(), 1), logResult);
    if (classroom)
        target->runJavaScript(elementScript(QStringLiteral("password"), readSavedPassword(), 0),
                              ignoreResult);
    target->runJavaScript(noContextMenuScript, ignoreResult);
    target->runJavaScript(userAgentScript, logUserAgent);
}

void AKWebView::runAfterUrlChangeScripts()
{
    QWebEnginePage *target = activePage();
    // Nor does any other origin's form overwrite it.
    if (!target || !isServerOrigin(target->url()))
        return;
    const auto *classroomPage = qobject_cast<AKWebPage *>(target);
    const std::shared_ptr<const bool> loading =
        classroomPage ? classroomPage->loadingFlag() : std::make_shared<const bool>(false);
    target->runJavaScript(elementScript(QStringLiteral("name"), QString(), 0),
                          [loading](const QVariant &result) { saveNameResult(result, *loading); });
    target->runJavaScript(
        elementScript(QStringLiteral("password"), QString(), 0),
        [loading](const QVariant &result) { savePasswordResult(result, *loading); });
}

void AKWebView::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status,
                                          int exitCode)
{
    QString title;
    switch (status) {
    case QWebEnginePage::NormalTerminationStatus:
        title = tr("Render process normal exit");
        break;
    case QWebEnginePage::AbnormalTerminationStatus:
        title = tr("Render process abnormal exit");
        break;
    case QWebEnginePage::CrashedTerminationStatus:
        title = tr("Render process crashed");
        break;
    case QWebEnginePage::KilledTerminationStatus:
        title = tr("Render process killed");
        break;
    }
    // The question runs a loop of its own, in which the view may be deleted.
    const QPointer<AKWebView> self(this);
    const QMessageBox::StandardButton answer = QMessageBox::question(
        window(), title,
        tr("Render process exited with code: %1\nDo you want to reload the page ?").arg(exitCode),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (!self || answer != QMessageBox::Yes)
        return;
    // The reload comes later still: should the view go meanwhile, the timer goes with it.
    QTimer::singleShot(0, this, [this] {
        if (QWebEnginePage *target = activePage())
            target->triggerAction(QWebEnginePage::Reload);
    });
}

void AKWebView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        event->accept();
}
