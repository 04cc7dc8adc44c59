// The client's main view over the classroom page with the built pen library in its program
// folder, the simulated receiver on a pseudo-terminal, and the pen's points coming out as the
// X server's pointer and button events that the page sees.
#include "pen/hwhandler.h"
#include "pen/penmapping.h"
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
        openView(QSize(1000, 700));
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
    // Waits for an event of type at the view point (in the page's pixels, which the zoom scales).
    bool waitForEventAt(const QString &type, const QPoint &viewPoint)
    {
        const QPointF expected = QPointF(viewPoint) / view->zoomFactor();
        return waitUntil([&] {
            for (const DrawingEvent &e : drawingEvents(type))
                if (std::abs(e.client.x() - expected.x()) <= 1 &&
                    std::abs(e.client.y() - expected.y()) <= 1)
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

TEST_F(PenOverPage, PenStrokeOverThePage)
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
    const double zoom = view->zoomFactor();
    const QVariantMap element =
        js(QStringLiteral("document.querySelector('.lc-drawing').getBoundingClientRect().toJSON()"))
            .toMap();
    ASSERT_FALSE(element.isEmpty());

    // Hovering over the element's centre while the page's drawing area is not known yet: the
    // view's height spans the pen frame.
    const QPoint centre(qRound((element.value(QStringLiteral("x")).toDouble() +
                                element.value(QStringLiteral("width")).toDouble() / 2) *
                               zoom),
                        qRound((element.value(QStringLiteral("y")).toDouble() +
                                element.value(QStringLiteral("height")).toDouble() / 2) *
                               zoom));
    const int viewHeight = view->height();
    const QPoint hover(static_cast<int>(std::ceil(centre.x() * 15000.0 / viewHeight)),
                       static_cast<int>(std::ceil(centre.y() * 15000.0 / viewHeight)));
    ASSERT_EQ(mapPenPointInto(QRect(), viewHeight, hover.x(), hover.y()).toPoint(), centre);
    pen(hover, 0);
    ASSERT_TRUE(waitForEventAt(QStringLiteral("mousemove"), centre));

    // The touch presses where the hover left the cursor, and asks the page for its area.
    pen(QPoint(0, 0), 700);
    ASSERT_TRUE(waitForEventAt(QStringLiteral("mousedown"), centre));
    ASSERT_TRUE(log.waitFor(QStringLiteral("runJavaScript result: ")));
    const QRect area = drawingRect;
    EXPECT_EQ(area.left(), element.value(QStringLiteral("x")).toInt());
    EXPECT_EQ(area.top(), element.value(QStringLiteral("y")).toInt());

    // The stroke goes on inside the area, now through its rectangle.
    const QPoint strokeEnd = mapPenPointInto(area, viewHeight, 9000, 6000).toPoint();
    pen(QPoint(9000, 6000), 650);
    ASSERT_TRUE(waitForEventAt(QStringLiteral("mousemove"), strokeEnd));
    EXPECT_EQ(pointerOnScreen(), view->mapToGlobal(strokeEnd));

    // Lifting the pen releases the button there; the cursor stays.
    pen(QPoint(100, 100), 0);
    ASSERT_TRUE(waitForEventAt(QStringLiteral("mouseup"), strokeEnd));
    EXPECT_EQ(pointerOnScreen(), view->mapToGlobal(strokeEnd));
    EXPECT_EQ(drawingEvents(QStringLiteral("mousedown")).size(), 1);
    EXPECT_EQ(drawingEvents(QStringLiteral("mouseup")).size(), 1);
}

} // namespace
