// The client's main view over the classroom page with the built pen library in its program
// folder, the simulated receiver on a pseudo-terminal, and the pen's points coming out as the
// X server's pointer and button events that the page sees.
#include "pen/hwhandler.h"
#include "web/akwebpage.h"
#include "web/akwebview.h"

#include "app/globals.h"
#include "classroomstandin.h"
#include "mainviewtest.h"
#include "pendevice.h"
#include "pensimulator.h"
#include "programnames.h"
#include "tempdir.h"
#include "webtestsupport.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QRectF>
#include <QVariantMap>
#include <QWidget>
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace webtest;

namespace {

constexpr std::uint8_t kSwitchToRealTimeMode = 0x21;

struct DrawingEvent
{
    QString type;
    QPointF client;
};

class PenOverPage : public MainViewTest
{
protected:
    void SetUp() override
    {
        // The port listing sees only the simulated receiver.
        std::filesystem::create_directories(ports / "sys");
        std::filesystem::create_directories(ports / "dev");
        ::setenv("SCRIVLO_SERIAL_SYSFS", (ports / "sys").c_str(), 1);
        ::setenv("SCRIVLO_SERIAL_DEVDIR", (ports / "dev").c_str(), 1);
        receiver.linkInto(ports / "dev", "ttyUSB0");
        device = std::make_unique<pensim::PenDevice>(receiver);

        programDir.linkFromBuild(programnames::kPenLibrary);
        ASSERT_TRUE(standin.start());
        serverBaseUrl = standin.baseUrl();
        // Loads the pen library, finds the receiver and connects the pen.
        // Large enough for the whole drawing area at a zoom of 1.5.
        openView(QSize(1600, 900));
    }

    bool realTimeModeRequested()
    {
        for (const pensim::Command &command : receiver.commands())
            if (command.code() == kSwitchToRealTimeMode)
                return true;
        return false;
    }
    QVariant js(const QString &script) { return runScript(view->ownPage(), script); }
    QList<DrawingEvent> drawingEvents(const QString &type)
    {
        QList<DrawingEvent> events;
        for (const QVariant &e : js(QStringLiteral("window.standin.drawingEvents")).toList()) {
            const QVariantMap m = e.toMap();
            if (m.value(QStringLiteral("type")).toString() == type)
                events.append({type, QPointF(m.value(QStringLiteral("clientX")).toDouble(),
                                             m.value(QStringLiteral("clientY")).toDouble())});
        }
        return events;
    }
    // Waits for the drawing area to see an event of type within a few of the page's pixels of
    // pagePoint: the element's own listeners record only what lands on it.
    bool waitForEventNear(const QString &type, const QPointF &pagePoint)
    {
        return waitUntil([&] {
            for (const DrawingEvent &e : drawingEvents(type))
                if (std::abs(e.client.x() - pagePoint.x()) <= 3 &&
                    std::abs(e.client.y() - pagePoint.y()) <= 3)
                    return true;
            return false;
        });
    }
    // One real-time point from the pen, given in the pen frame.
    void pen(const QPoint &penFrame, int pressure)
    {
        // The inverse of the handler's quarter turn.
        const int deviceX = 15000 - penFrame.y();
        const int deviceY = penFrame.x() + 1500;
        ASSERT_TRUE(deviceX >= 0 && deviceX <= 21000 && deviceY >= 0 && deviceY <= 29700);
        receiver.send(pensim::realTimeStream(
            {{static_cast<std::uint16_t>(deviceX), static_cast<std::uint16_t>(deviceY),
              static_cast<std::uint16_t>(pressure)}}));
    }
    QPoint pointerOnScreen()
    {
        Display *display = XOpenDisplay(nullptr);
        if (!display)
            return QPoint(-1, -1);
        Window root = 0, child = 0;
        int rootX = -1, rootY = -1, windowX = 0, windowY = 0;
        unsigned int mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                      &windowY, &mask);
        XCloseDisplay(display);
        return QPoint(rootX, rootY);
    }

    testsupport::TempDir ports;
    pensim::PenSimulator receiver;
    std::unique_ptr<pensim::PenDevice> device;
    classroom::ClassroomStandin standin;
    LogCapture log;
};

// Run at 96 and at 144 dpi, where the page is zoomed to 1.5.
TEST_F(PenOverPage, AStrokeOverTheDrawingAreasCornersLandsInsideIt)
{
    // The view found the receiver, connected the pen and switched it to real-time points.
    ASSERT_TRUE(waitUntil([&] { return realTimeModeRequested(); }));
    IHwSdkCallback *receiverOfPenEvents = penCallbackReceiver;
    ASSERT_NE(receiverOfPenEvents, nullptr);
    // A display-only view takes no pen events for itself.
    delete new AKWebView(&window, AKWebView::DisplayOnly);
    EXPECT_EQ(penCallbackReceiver, receiverOfPenEvents);

    view->load(standin.pageUrl());
    ASSERT_TRUE(loads->waitForLoads(1));
    ASSERT_TRUE(loads->lastOk());
    const QByteArray screenDpi = qgetenv("PEN_TEST_SCREEN_DPI");
    if (!screenDpi.isEmpty()) {
        ASSERT_EQ(QApplication::desktop()->logicalDpiX(), screenDpi.toInt());
    }
    const double zoom = view->zoomFactor();
    EXPECT_DOUBLE_EQ(zoom, QApplication::desktop()->logicalDpiX() / 96.0);
    // The element's own rectangle, in the page's pixels.
    const QVariantMap box =
        js(QStringLiteral("document.querySelector('.lc-drawing').getBoundingClientRect().toJSON()"))
            .toMap();
    ASSERT_FALSE(box.isEmpty());
    const QRectF element(box.value(QStringLiteral("x")).toDouble(),
                         box.value(QStringLiteral("y")).toDouble(),
                         box.value(QStringLiteral("width")).toDouble(),
                         box.value(QStringLiteral("height")).toDouble());
    ASSERT_LE(element.right() * zoom, view->width());
    ASSERT_LE(element.bottom() * zoom, view->height());

    // Hovering over the element's centre while the page's drawing area is not known yet: the
    // view's height spans the pen frame from the view's top-left corner.
    const QPointF centre = element.center();
    const double penUnitsPerViewPixel = 15000.0 / view->height();
    const QPoint hover(static_cast<int>(std::ceil(centre.x() * zoom * penUnitsPerViewPixel)),
                       static_cast<int>(std::ceil(centre.y() * zoom * penUnitsPerViewPixel)));
    pen(hover, 0);
    ASSERT_TRUE(waitForEventNear(QStringLiteral("mousemove"), centre));

    // The touch presses where the hover left the cursor, and asks the page for its area.
    pen(QPoint(0, 0), 700);
    ASSERT_TRUE(waitForEventNear(QStringLiteral("mousedown"), centre));
    ASSERT_TRUE(log.waitFor(QStringLiteral("runJavaScript result: ")));

    // The stroke goes round the area just inside its corners: 15000 pen units span its height,
    // and the same scale holds across.
    const double inset = 0.03;
    const double penWidth = 15000.0 * element.width() / element.height();
    QPointF last;
    for (const QPointF &corner : {QPointF(inset, inset), QPointF(1 - inset, inset),
                                  QPointF(1 - inset, 1 - inset), QPointF(inset, 1 - inset)}) {
        pen(QPoint(qRound(corner.x() * penWidth), qRound(corner.y() * 15000)), 650);
        last = element.topLeft() +
               QPointF(corner.x() * element.width(), corner.y() * element.height());
        ASSERT_TRUE(waitForEventNear(QStringLiteral("mousemove"), last))
            << "corner " << corner.x() << "," << corner.y() << " at zoom " << zoom;
    }

    // Lifting the pen releases the button there; the cursor stays.
    const QPoint lastOnScreen = pointerOnScreen();
    pen(QPoint(100, 100), 0);
    ASSERT_TRUE(waitForEventNear(QStringLiteral("mouseup"), last));
    EXPECT_EQ(pointerOnScreen(), lastOnScreen);
    EXPECT_EQ(drawingEvents(QStringLiteral("mousedown")).size(), 1);
    EXPECT_EQ(drawingEvents(QStringLiteral("mouseup")).size(), 1);
}

} // namespace
