#include "web/sharescreenjsoperation.h"

#include "web/akwebpage.h"
#include "web/akwebview.h"
#include "widgets/screensharewindow.h"
#include "windows/akmainwindow.h"

#include "app/globals.h"
#include "mainwindowfixture.h"
#include "webtestsupport.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace webtest;

namespace {

// The classroom page in the main window, with the page reaching "ScreenShareObj" over the channel.
class ScreenShareBridgeTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a display (Xvfb): offscreen fakes window geometry";
        MainWindowFixture::SetUp();
        if (HasFatalFailure())
            return;
        mainWindow = window.get();
        loadConnectedPage();
        if (HasFatalFailure())
            return;
        bridge = window->findChild<ShareScreenJSOperation *>();
        ASSERT_NE(bridge, nullptr);
        bar = bridge->shareWindow();
    }
    void TearDown() override
    {
        mainWindow = nullptr;
        MainWindowFixture::TearDown();
    }

    void pageCalls(const char *method)
    {
        ASSERT_TRUE(
            js(QStringLiteral("standin.call('ScreenShareObj', '%1')").arg(QLatin1String(method)))
                .toBool());
    }
    void startSharing()
    {
        pageCalls("StartScreenShare");
        ASSERT_TRUE(waitUntil([&] { return bar->isVisible() && window->isMinimized(); }));
    }
    void pressStop() { QTest::mouseClick(bar->findChild<QPushButton *>(), Qt::LeftButton); }
    bool shareFrameThere()
    {
        return js(QStringLiteral("!!document.getElementById('shareScreenIframe')")).toBool();
    }

    ShareScreenJSOperation *bridge = nullptr;
    ScreenShareWindow *bar = nullptr;
};

TEST_F(ScreenShareBridgeTest, ThePageStartsAndStopsTheShare)
{
    // Only the two operations reach the page; the stop bar's own path does not.
    EXPECT_EQ(js(QStringLiteral("[typeof ScreenShareObj.StartScreenShare, typeof "
                                "ScreenShareObj.StopScreenShare, typeof "
                                "ScreenShareObj.onStopShareClicked].join()"))
                  .toString(),
              QStringLiteral("function,function,undefined"));
    EXPECT_FALSE(bar->isVisible());

    startSharing();
    EXPECT_EQ(bar->pos(), QPoint((QApplication::desktop()->width() - bar->width()) / 2, 0));

    pageCalls("StopScreenShare");
    ASSERT_TRUE(waitUntil([&] { return !bar->isVisible() && !window->isMinimized(); }));
    EXPECT_TRUE(window->isVisible());
    // Ending it from the page leaves the page's share frame to the page.
    EXPECT_TRUE(shareFrameThere());
    EXPECT_TRUE(js(QStringLiteral("window.standin.shareClosed === null")).toBool());

    // A later share shows the bar again.
    startSharing();
}

TEST_F(ScreenShareBridgeTest, TheStopButtonRestoresTheWindowAndClosesTheShareFrame)
{
    startSharing();
    pressStop();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !shareFrameThere(); }));
    EXPECT_TRUE(js(QStringLiteral("window.standin.shareClosed === true")).toBool());
}

TEST_F(ScreenShareBridgeTest, AStopScriptThatFailsInThePageChangesNothingElse)
{
    js(QStringLiteral("document.getElementById('shareScreenIframe').remove(); 1"));
    startSharing();
    pressStop();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(window->isMinimized());
    // The page is still alive and answers.
    EXPECT_EQ(js(QStringLiteral("1 + 1")).toInt(), 2);
}

// The bridge object belongs to the main window and outlives the view that the user's confirmed
// close deletes; the bar may still be pressed then.
TEST_F(ScreenShareBridgeTest, TheStopButtonAfterTheViewHasGoneTouchesNoPage)
{
    startSharing();
    window->showNormal();
    {
        MessageBoxAnswerer answers({QMessageBox::Yes});
        ASSERT_TRUE(window->close());
    }
    ASSERT_EQ(window->view(), nullptr);
    ASSERT_EQ(window->findChild<ShareScreenJSOperation *>(), bridge);
    bar->show();
    pressStop();
    EXPECT_FALSE(bar->isVisible());
    waitUntil([] { return false; }, 500);
}

} // namespace
