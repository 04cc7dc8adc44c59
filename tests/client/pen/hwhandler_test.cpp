#include "pen/hwhandler.h"

#include "app/globals.h"
#include "fakepen.h"
#include "recordingmouse.h"
#include "tempdir.h"
#include "webtestsupport.h"

#include "ScrivloController.h"

#include <QWebEngineView>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A view 900 pixels high, so that with no drawing area 15000 pen units make 900 pixels.
class PenHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.setGeometry(40, 30, 600, 900);
        drawingRect = QRect();
    }
    void TearDown() override { appDir.clear(); }

    std::unique_ptr<HwHandler> makeHandler()
    {
        return std::make_unique<HwHandler>(&view, std::make_unique<RecordingMouse>(log));
    }
    QString moveTo(int viewX, int viewY)
    {
        return RecordingMouse::move(view.mapToGlobal(QPoint(viewX, viewY)));
    }

    QWebEngineView view;
    std::shared_ptr<QStringList> log = std::make_shared<QStringList>();
};

TEST_F(PenHandlerTest, PointsMoveTheCursorAndTheTipPressesAndReleasesWithoutMoving)
{
    const auto handler = makeHandler();
    const struct
    {
        int x, y, pressure;
        QString expected; // what the mouse did for this point
    } steps[] = {
        {1000, 2000, 0, moveTo(60, 120)},        // hovering moves the cursor
        {1500, 2500, 0, moveTo(90, 150)},        // and keeps moving it
        {5000, 5000, 1, QStringLiteral("down")}, // the touch presses where the cursor is
        {3000, 4000, 2047, moveTo(180, 240)},    // the stroke moves it
        {3500, 4500, 300, moveTo(210, 270)},
        {9000, 9000, 0, QStringLiteral("up")}, // leaving the paper releases, no move
        {15000, 15000, 0, moveTo(900, 900)},
        {-1500, 0, 0, moveTo(-90, 0)}, // off the area: no clamping
        {100, 100, 5, QStringLiteral("down")},
        {0, 0, 0, QStringLiteral("up")},
    };
    QStringList expected;
    for (const auto &s : steps) {
        handler->onRealTimePenData(s.x, s.y, s.pressure);
        expected << s.expected;
    }
    EXPECT_EQ(*log, expected);
}

// The page gives its area in its own pixels; the view shows them enlarged by the page's zoom.
TEST_F(PenHandlerTest, TheDrawingAreaIsTakenAtThePagesZoom)
{
    const auto handler = makeHandler();
    const QRect pageArea(QPoint(100, 50), QPoint(699, 649));
    const struct
    {
        double zoom;
        QRect area;
        QPoint penFrame;
        QPointF expected;
    } cases[] = {
        {1.0, pageArea, {0, 0}, {100, 50}},
        {1.0, pageArea, {7500, 15000}, {400, 650}},
        // Edges (150, 75) to (1049, 974): 900 high.
        {1.5, pageArea, {0, 0}, {150, 75}},
        {1.5, pageArea, {7500, 15000}, {600, 975}},
        // Edges rounded to (125, 63) and (874, 811): 749 high.
        {1.25, pageArea, {7500, 15000}, {499, 812}},
        // Without an area the view's height counts, which the zoom does not change.
        {1.5, QRect(), {15000, 15000}, {900, 900}},
    };
    for (const auto &c : cases) {
        view.setZoomFactor(c.zoom);
        drawingRect = c.area;
        EXPECT_EQ(handler->mapPenPoint(c.penFrame.x(), c.penFrame.y()), c.expected)
            << "zoom " << c.zoom << ", pen " << c.penFrame.x() << "," << c.penFrame.y();
    }
}

TEST_F(PenHandlerTest, TheHandlerConstructedLastReceivesThePensEvents)
{
    EXPECT_EQ(penCallbackReceiver, nullptr);
    auto first = makeHandler();
    EXPECT_EQ(penCallbackReceiver, static_cast<IHwSdkCallback *>(first.get()));
    auto second = makeHandler();
    EXPECT_EQ(penCallbackReceiver, static_cast<IHwSdkCallback *>(second.get()));
    first.reset();
    EXPECT_EQ(penCallbackReceiver, static_cast<IHwSdkCallback *>(second.get()));
    second.reset();
    EXPECT_EQ(penCallbackReceiver, nullptr);
}

TEST_F(PenHandlerTest, WithoutThePenLibraryLoadingGivesMinusOne)
{
    testsupport::TempDir emptyProgramFolder;
    appDir = QString::fromStdString(emptyProgramFolder.path().string()) + QLatin1Char('/');
    EXPECT_EQ(makeHandler()->loadPenLibrary(), -1);
}

TEST_F(PenHandlerTest, ALibraryWithoutAnEntryPointThatIsCalledIsNotUsed)
{
    FakePen fake(FAKE_PEN_INCOMPLETE_FOLDER);
    ASSERT_TRUE(fake.loaded());
    appDir = QString::fromLatin1(FAKE_PEN_INCOMPLETE_FOLDER);
    EXPECT_EQ(makeHandler()->loadPenLibrary(), -1);
    EXPECT_EQ(fake.calls(), QStringList());
}

TEST_F(PenHandlerTest, LoadingOpensThePortThenConnectsAndGivesTheFirstFailure)
{
    const QStringList setters = {QStringLiteral("SetCallBackForRealTimePenDatas"),
                                 QStringLiteral("SetCallBackForConnectDeviceSuccess")};
    const struct
    {
        int openPort, connectDevice, expected;
        QStringList calls;
    } cases[] = {
        {PenOk, PenOk, PenOk, setters + QStringList{"openPort", "connectDevice"}},
        {PenFailed, PenOk, PenFailed, setters + QStringList{"openPort"}},
        {PenTimeout, PenOk, PenTimeout, setters + QStringList{"openPort"}},
        {PenOk, PenTimeout, PenTimeout, setters + QStringList{"openPort", "connectDevice"}},
    };
    FakePen fake(FAKE_PEN_FOLDER);
    ASSERT_TRUE(fake.loaded());
    appDir = QString::fromLatin1(FAKE_PEN_FOLDER);
    for (const auto &c : cases) {
        const QStringList before = fake.calls();
        fake.setResults(c.openPort, c.connectDevice);
        EXPECT_EQ(makeHandler()->loadPenLibrary(), c.expected);
        EXPECT_EQ(fake.calls().mid(before.size()), c.calls) << c.openPort << " " << c.connectDevice;
    }
}

// The library calls back on its own thread; the handler acts on the GUI thread, in the order the
// points came, and only once the library's callback has returned.
TEST_F(PenHandlerTest, LibraryEventsAreHandledOnTheGuiThreadInOrder)
{
    FakePen fake(FAKE_PEN_FOLDER);
    ASSERT_TRUE(fake.loaded());
    appDir = QString::fromLatin1(FAKE_PEN_FOLDER);
    const auto handler = makeHandler();
    ASSERT_EQ(handler->loadPenLibrary(), PenOk);

    // Device frame: x 15000, y 1500 is the pen frame's origin.
    fake.sendPoints({15000, 1500, 0, 14000, 2500, 0, 14000, 2500, 9, 13000, 3500, 9, 13000, 3500, 0,
                     14000, 2500, 0});
    EXPECT_TRUE(log->isEmpty()) << log->join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(webtest::waitUntil([&] { return log->size() >= 6; }));
    EXPECT_EQ(*log, QStringList({moveTo(0, 0), moveTo(60, 60), QStringLiteral("down"),
                                 moveTo(120, 120), QStringLiteral("up"), moveTo(60, 60)}));

    fake.reportConnection();
    EXPECT_FALSE(fake.calls().join(QLatin1Char(' ')).contains(QLatin1String("switchToRealTime")));
    ASSERT_TRUE(webtest::waitUntil(
        [&] { return fake.calls().last().startsWith(QLatin1String("switchToRealTimeMode")); }));
    EXPECT_EQ(fake.calls().last(), QStringLiteral("switchToRealTimeMode"));
}

TEST_F(PenHandlerTest, EventsForAHandlerThatHasGoneAreDropped)
{
    FakePen fake(FAKE_PEN_FOLDER);
    ASSERT_TRUE(fake.loaded());
    appDir = QString::fromLatin1(FAKE_PEN_FOLDER);
    auto handler = makeHandler();
    ASSERT_EQ(handler->loadPenLibrary(), PenOk);

    // Handed over before the handler goes, delivered after.
    fake.sendPoints({15000, 1500, 0, 14000, 2500, 5});
    fake.reportConnection();
    handler.reset();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log->isEmpty());
    EXPECT_FALSE(fake.calls().contains(QStringLiteral("switchToRealTimeMode")));
}

} // namespace
