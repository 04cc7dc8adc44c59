#include "hwhandler.h"

#include "app/globals.h"
#include "drawingrect.h"
#include "penlibrary.h"
#include "penmapping.h"
#include "systempenmouse.h"

#include <QCoreApplication>
#include <QDebug>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <mutex>
#include <utility>

QRect drawingRect;
IHwSdkCallback *penCallbackReceiver = nullptr;

void setPenCallbackReceiver(IHwSdkCallback *receiver)
{
    penCallbackReceiver = receiver;
}

namespace {

// Where the library's threads hand their events over: the application object, from the first
// handler's construction until the application starts to go. The library stays loaded, and its
// worker keeps calling back, until the process ends; the lock keeps a hand-over from racing the
// application's destruction.
std::mutex handOverMutex;
QCoreApplication *handOverTarget = nullptr;

void endHandOver()
{
    const std::lock_guard<std::mutex> lock(handOverMutex);
    handOverTarget = nullptr;
}

// GUI thread.
void beginHandOver()
{
    QCoreApplication *application = QCoreApplication::instance();
    {
        const std::lock_guard<std::mutex> lock(handOverMutex);
        if (!application || handOverTarget == application)
            return;
        handOverTarget = application;
    }
    // Runs at the start of the application's destruction.
    qAddPostRoutine(&endHandOver);
}

// Runs event on the GUI thread, after the events handed over before it. The receiver is looked
// up there, at delivery, so that an event never reaches a handler that has gone meanwhile.
template <typename Event> void deliverOnGuiThread(Event event)
{
    const std::lock_guard<std::mutex> lock(handOverMutex);
    if (!handOverTarget)
        return;
    QMetaObject::invokeMethod(
        handOverTarget,
        [event = std::move(event)] {
            if (penCallbackReceiver)
                event(*penCallbackReceiver);
        },
        Qt::QueuedConnection);
}

// The library's callbacks, on its worker thread. Nothing may wait for the library here: its
// answers are read by this same thread once the callback has returned.
void SCRIVLO_CALL realTimePenDataCallback(int x, int y, int pressure)
{
    const QPoint penPoint = penFrameFromDevice(x, y);
    deliverOnGuiThread([penPoint, pressure](IHwSdkCallback &receiver) {
        receiver.onRealTimePenData(penPoint.x(), penPoint.y(), pressure);
    });
}

void SCRIVLO_CALL connectDeviceSuccessCallback(const char *macText, const char *name)
{
    Q_UNUSED(macText);
    Q_UNUSED(name);
    deliverOnGuiThread([](IHwSdkCallback &receiver) { receiver.onConnectDeviceSuccess(); });
}

QString programFolder()
{
    if (!appDir.isEmpty())
        return appDir;
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

} // namespace

HwHandler::HwHandler(QWebEngineView *view, PageGetter page)
    : HwHandler(view, std::make_unique<SystemPenMouse>(), std::move(page))
{
}

HwHandler::HwHandler(QWebEngineView *view, std::unique_ptr<PenMouse> mouse, PageGetter page)
    : QObject(nullptr), view(view), pageGetter(std::move(page)), mouse(std::move(mouse))
{
    beginHandOver();
    setPenCallbackReceiver(this);
}

HwHandler::~HwHandler()
{
    releasePenLibrary();
    view = nullptr;
    if (penCallbackReceiver == this)
        setPenCallbackReceiver(nullptr);
}

void HwHandler::releasePenLibrary()
{
    closePenLibrary(penLibrary);
    penLibrary = nullptr;
}

int HwHandler::loadPenLibrary()
{
    void *library = openPenLibrary(programFolder());
    if (!library)
        return PenFailed;
    // A second load replaces the first; the same library only loses the extra reference.
    releasePenLibrary();
    penLibrary = library;
    penEntryPoints = bindPenEntryPoints(library);
    if (!penEntryPoints.usable())
        return PenFailed;
    penEntryPoints.setCallBackForRealTimePenDatas(&realTimePenDataCallback);
    penEntryPoints.setCallBackForConnectDeviceSuccess(&connectDeviceSuccessCallback);
    if (const int result = penEntryPoints.openPort())
        return result;
    return penEntryPoints.connectDevice();
}

QWebEnginePage *HwHandler::classroomPage() const
{
    if (!view)
        return nullptr;
    return pageGetter ? pageGetter() : view->page();
}

void HwHandler::queryDrawingRect()
{
    QWebEnginePage *page = classroomPage();
    if (!page)
        return;
    page->runJavaScript(drawingRectScript,
                        [](const QVariant &result) { HwHandler::onDrawingRectResult(result); });
}

void HwHandler::onDrawingRectResult(const QVariant &result)
{
    const QString text = result.toString();
    qDebug() << "runJavaScript result: " << text;
    drawingRect = drawingRectFromScriptText(text);
}

QPointF HwHandler::mapPenPoint(int x, int y) const
{
    // The page answers in its own pixels, which its zoom (the screen's resolution) enlarges in
    // the view; without an answer the view's own height is used, already in the view's pixels.
    QRect area = drawingRect;
    if (!area.isNull()) {
        QWebEnginePage *page = classroomPage();
        area = drawingAreaInView(area, page ? page->zoomFactor() : 1.0);
    }
    return mapPenPointInto(area, view ? view->geometry().height() : 0, x, y);
}

void HwHandler::onRealTimePenData(int x, int y, int pressure)
{
    const bool down = pressure != 0;
    if (tipDown && !down) {
        mouse->releaseLeftButton();
    } else if (!tipDown && down) {
        // The area arrives later; this stroke's first points use the one from before. The
        // button goes down where the last hovering point left the cursor.
        queryDrawingRect();
        mouse->pressLeftButton();
    } else if (view) {
        const QPoint viewPoint = mapPenPoint(x, y).toPoint();
        mouse->moveCursor(view->mapToGlobal(viewPoint));
    }
    tipDown = down;
}

void HwHandler::onConnectDeviceSuccess()
{
    connected = true;
    // Here on the GUI thread, after the library's callback has returned: the library's worker is
    // free to read the pen's answer.
    if (penEntryPoints.switchToRealTimeMode)
        penEntryPoints.switchToRealTimeMode();
}
