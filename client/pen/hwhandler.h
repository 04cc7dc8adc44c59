#pragma once

#include "ihwsdkcallback.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QVariant>

#include <functional>
#include <memory>

class PenMouse;
class QWebEnginePage;
class QWebEngineView;

// Turns the smart pen's real-time points into mouse input over the page's drawing area (its
// first element of class "lc-drawing"): a hovering pen moves the cursor, the tip touching and
// leaving the paper press and release the left button. Loads the pen library at run time.
//
// The library calls back on its own worker thread; each event is handed to the GUI thread in the
// order in which it came, and everything the handler does runs there.
class HwHandler : public QObject, public IHwSdkCallback
{
    Q_OBJECT
public:
    // The page that the pen draws on, null when there is none; asked only while the view is
    // there. The classroom view gives its own page, also while another view shows it: page() of
    // such a view would make it a new blank page.
    using PageGetter = std::function<QWebEnginePage *()>;

    // Constructed without a parent: the handler lives as long as the program. The new handler
    // receives the pen library's events from now on.
    HwHandler(QWebEngineView *view, PageGetter page);
    // The same with the mouse given (tests record it instead of moving the desktop's); without
    // a page getter the view's page() is drawn on.
    HwHandler(QWebEngineView *view, std::unique_ptr<PenMouse> mouse, PageGetter page = {});
    ~HwHandler() override;

    // Loads the library, installs the callbacks, opens the receiver's port and connects the pen.
    // -1 when the library is missing or lacks an entry point that is called; otherwise the first
    // non-zero result of the port opening and the connection, else 0. Nothing is retried.
    int loadPenLibrary();

    // Asks the page for its drawing area; the answer reaches onDrawingRectResult later.
    void queryDrawingRect();
    // Takes the script's answer as the process's drawing area (null when the page has none).
    static void onDrawingRectResult(const QVariant &result);
    // A pen-frame point in the view's coordinates, through the current drawing area as the page
    // shows it at its zoom.
    QPointF mapPenPoint(int x, int y) const;

    void onRealTimePenData(int x, int y, int pressure) override;
    void onConnectDeviceSuccess() override;

private:
    void releasePenLibrary();
    // The page that the view shows the classroom in; null without a view.
    QWebEnginePage *classroomPage() const;

    void *penLibrary = nullptr;
    bool connected = false;
    // Guarded: the main window deletes its view at closing, while the handler lives on and the
    // pen may still send points.
    QPointer<QWebEngineView> view;
    PageGetter pageGetter;
    bool tipDown = false;
    std::unique_ptr<PenMouse> mouse;
};

// Process-wide pen state, used on the GUI thread only.
// The drawing area in the page's pixels, as the page gave it; null until a page answered with one.
extern QRect drawingRect;
// Whom the pen library's events reach: the handler constructed last, until it is destroyed.
extern IHwSdkCallback *penCallbackReceiver;
void setPenCallbackReceiver(IHwSdkCallback *receiver);
