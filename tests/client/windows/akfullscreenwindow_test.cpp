#include "windows/akfullscreenwindow.h"

#include "pen/hwhandler.h"
#include "web/akwebpage.h"
#include "web/akwebview.h"
#include "web/sharescreenjsoperation.h"
#include "widgets/screensharewindow.h"
#include "windows/akfullscreennotification.h"
#include "windows/akmainwindow.h"

#include "mainwindowfixture.h"
#include "webtestsupport.h"

#include <ilive/ilivesimulation.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QSequentialAnimationGroup>
#include <QTest>
#include <QVariantMap>
#include <QWindow>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace webtest;
using ::testing::Contains;

namespace {

// The classroom page in the main window, connected to its bridge objects, ready to go to full
// screen.
class FullScreenWindowTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a display (Xvfb): offscreen fakes window geometry";
        ilivesim::reset();
        MainWindowFixture::SetUp();
        loadPage();
        ASSERT_TRUE(
            waitUntil([&] { return js(QStringLiteral("window.standin.channel")).toBool(); }));
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        ilivesim::reset();
    }

    AKFullScreenWindow *fullScreen() const { return window->findChild<AKFullScreenWindow *>(); }
    AKFullScreenNotification *notice() const
    {
        return fullScreen()->findChild<AKFullScreenNotification *>();
    }
    // Calls a bridge object from the page, as the page's buttons do.
    void pageCalls(const char *object, const char *method, const char *args = "[]")
    {
        ASSERT_TRUE(js(QStringLiteral("standin.call('%1', '%2', %3)")
                           .arg(QLatin1String(object), QLatin1String(method), QLatin1String(args)))
                        .toBool());
    }
    QString pageResults() { return js(QStringLiteral("standin.checkResults.join()")).toString(); }
};

TEST_F(FullScreenWindowTest, CoversTheMainViewWithTheNoticeInItsMiddleAndClicksPassThrough)
{
    window->setFixedSize(1920, 1010);
    ASSERT_EQ(window->view()->geometry(), QRect(0, 0, 1920, 1010));
    enterFullScreen();
    ASSERT_NE(fullScreen(), nullptr);
    EXPECT_EQ(fullScreen()->geometry(), QRect(0, 0, 1920, 1010));
    EXPECT_EQ(fullScreen()->view()->geometry(), QRect(0, 0, 1920, 1010));
    AKFullScreenNotification *label = notice();
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->size(), label->sizeHint());
    EXPECT_EQ(label->geometry().center(), QPoint(959, 504));
    EXPECT_FALSE(window->view()->isVisible());

    // Keep the notice up while it is clicked.
    label->findChild<QSequentialAnimationGroup *>()->pause();
    js(QStringLiteral("standin.clicks = []; document.addEventListener('click', function (e) {"
                      " standin.clicks.push([e.target.id, e.clientX, e.clientY]); }); 1"));
    const QPoint centre = label->geometry().center();
    // Through the main window's surface, as a user's click comes: what lies there decides who
    // gets it.
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      label->mapTo(window.get(), label->rect().center()));
    ASSERT_TRUE(waitUntil([&] { return js(QStringLiteral("standin.clicks.length")).toInt() > 0; }));
    const QVariantList click = js(QStringLiteral("standin.clicks[0]")).toList();
    ASSERT_EQ(click.size(), 3);
    // The page's element in full screen, under the notice, took the click.
    EXPECT_EQ(click[0].toString(), QStringLiteral("video"));
    const double zoom = fullScreen()->view()->zoomFactor();
    EXPECT_NEAR(click[1].toDouble() * zoom, centre.x(), 2);
    EXPECT_NEAR(click[2].toDouble() * zoom, centre.y(), 2);
    EXPECT_TRUE(label->isVisible());
}

TEST_F(FullScreenWindowTest, EscapeGivesThePageBackAndTheLiveRoomAndBridgesRunOn)
{
    AKWebView *view = window->view();
    QWebEnginePage *page = view->ownPage();
    const QRect viewGeometry = view->geometry();
    ScreenShareWindow *bar = window->findChild<ShareScreenJSOperation *>()->shareWindow();
    enterFullScreen();

    // The pen handler stays with the hidden main view: its points land where the full-screen
    // view shows the page, and its drawing-area query reaches that page, not a blank one.
    EXPECT_EQ(view->mapToGlobal(QPoint(0, 0)), fullScreen()->view()->mapToGlobal(QPoint(0, 0)));
    auto *pen = static_cast<HwHandler *>(penCallbackReceiver);
    ASSERT_NE(pen, nullptr);
    drawingRect = QRect();
    pen->queryDrawingRect();
    ASSERT_TRUE(log.waitFor(QStringLiteral("runJavaScript result: ")));
    const QVariantMap area =
        js(QStringLiteral("document.querySelector('.lc-drawing').getBoundingClientRect().toJSON()"))
            .toMap();
    const auto edge = [&](const char *key) { return area.value(QLatin1String(key)).toInt(); };
    const QRect pageArea(QPoint(edge("x"), edge("y")), QPoint(edge("right"), edge("bottom")));
    EXPECT_EQ(drawingRect, pageArea);
    EXPECT_FALSE(drawingRect.isNull());

    // The page in full screen reaches the live room, and its results reach the page.
    pageCalls("LiveObj", "Login", "['alice', 'sig', 1234, 1, 1]");
    ASSERT_TRUE(waitUntil([&] { return pageResults() == QStringLiteral("0,0"); }));
    ASSERT_TRUE(ilivesim::loggedIn());

    // The user presses Escape in the main window; no window manager here gives it the focus.
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !window->isInFullScreen(); }));
    EXPECT_EQ(fullScreen(), nullptr);
    EXPECT_EQ(view->page(), page);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->geometry(), viewGeometry);
    EXPECT_TRUE(js(QStringLiteral("document.fullscreenElement === null")).toBool());

    // The room is still up: the page stops and starts the push through the same bridge.
    EXPECT_TRUE(ilivesim::loggedIn());
    ilivesim::clearCalls();
    pageCalls("LiveObj", "StopPushStream");
    ASSERT_TRUE(waitUntil(
        [&] { return ::testing::Value(ilivesim::calls(), Contains("stopPushStream(1,1)")); }));
    pageCalls("LiveObj", "StartPushStream");
    ASSERT_TRUE(waitUntil([&] { return pageResults() == QStringLiteral("0,0,0,0"); }));

    // The screen-share bridge still shows its bar and closes the share frame of this page.
    pageCalls("ScreenShareObj", "StartScreenShare");
    ASSERT_TRUE(waitUntil([&] { return bar->isVisible(); }));
    QTest::mouseClick(bar->findChild<QPushButton *>(), Qt::LeftButton);
    EXPECT_FALSE(bar->isVisible());
    ASSERT_TRUE(waitUntil([&] {
        return js(QStringLiteral("!document.getElementById('shareScreenIframe')")).toBool();
    }));

    // A new full-screen period shows a new notice.
    enterFullScreen();
    ASSERT_NE(notice(), nullptr);
    EXPECT_TRUE(notice()->isVisible());
    EXPECT_EQ(notice()->findChild<QSequentialAnimationGroup *>()->state(),
              QAbstractAnimation::Running);
}

} // namespace
