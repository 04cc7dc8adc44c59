#include "web/akwebpage.h"
#include "web/akwebview.h"
#include "windows/akfullscreenwindow.h"
#include "windows/akmainwindow.h"

#include "app/globals.h"
#include "mainwindowfixture.h"
#include "webtestsupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace webtest;

namespace {

class MainWindowTest : public MainWindowFixture
{
};

TEST_F(MainWindowTest, FillsTheWorkAreaBelowATitleBarAndCannotBeResized)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a display (Xvfb): offscreen fakes the screen's geometry";
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const int titleBar = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    ASSERT_GT(titleBar, 0);
    EXPECT_EQ(window->geometry(),
              QRect(available.x(), titleBar, available.width(), available.height() - titleBar));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->maximumSize(), QSize(available.width(), available.height() - titleBar));
    EXPECT_EQ(window->view()->geometry(), window->rect());
}

TEST_F(MainWindowTest, AnEmptyAddressLoadsTheServerAndTheTitleIsTheProductName)
{
    window->loadClassroomUrl(QUrl());
    ASSERT_TRUE(standin.waitForRequests(QStringLiteral("/"), 1, 60000));
    ASSERT_TRUE(loads->waitForLoads(1));
    EXPECT_EQ(window->windowTitle(), appName);
    window->handleWebViewTitleChanged(QString());
    EXPECT_EQ(window->windowTitle(), appName);
}

TEST_F(MainWindowTest, CloseAsksNoKeepsEverythingYesDeletesTheViewFirst)
{
    loadPage();
    QPointer<AKWebView> view = window->view();
    {
        MessageBoxAnswerer answers({QMessageBox::No});
        EXPECT_FALSE(window->close());
        ASSERT_EQ(answers.answered(), 1);
        EXPECT_EQ(answers.titles().value(0), QStringLiteral("退出程序"));
        EXPECT_EQ(answers.texts().value(0), QStringLiteral("是否退出程序?"));
    }
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(view);
    window->checkPushStreamResult(2);
    EXPECT_EQ(js(QStringLiteral("window.standin.checkResults.join()")).toString(),
              QStringLiteral("2"));

    MessageBoxAnswerer answers({QMessageBox::Yes});
    EXPECT_TRUE(window->close());
    EXPECT_EQ(answers.answered(), 1);
    EXPECT_FALSE(view);
    EXPECT_EQ(window->view(), nullptr);
    EXPECT_FALSE(window->isVisible());
    // Without a view these do nothing.
    window->loadClassroomUrl(QUrl());
    window->checkPushStreamResult(0);
    window->resize(400, 300);
}

TEST_F(MainWindowTest, FullScreenShowsThePageOverTheViewAndGivesItBack)
{
    loadPage();
    AKWebView *view = window->view();
    QWebEnginePage *page = view->ownPage();
    const QRect viewGeometry = view->geometry();
    enterFullScreen();
    AKFullScreenWindow *fullScreen = window->findChild<AKFullScreenWindow *>();
    ASSERT_NE(fullScreen, nullptr);
    EXPECT_EQ(fullScreen->geometry(), viewGeometry);
    EXPECT_EQ(fullScreen->view()->page(), page);
    EXPECT_TRUE(fullScreen->view()->isDisplayOnly());
    // It owns no page and no channel of its own; the one it shows stays the main view's.
    EXPECT_EQ(fullScreen->view()->channel(), nullptr);
    EXPECT_TRUE(fullScreen->view()
                    ->findChildren<QWebEnginePage *>(QString(), Qt::FindDirectChildrenOnly)
                    .isEmpty());
    EXPECT_EQ(page->parent(), view);
    EXPECT_FALSE(view->isVisible());
    // Handing its page over, the main view made no blank one for itself.
    const auto pagesOf = [](QWidget *widget) {
        return widget->findChildren<QWebEnginePage *>(QString(), Qt::FindDirectChildrenOnly);
    };
    EXPECT_EQ(pagesOf(view), QList<QWebEnginePage *>{page});
    // Nor does the full-screen view when it gives the page back: the change of address that
    // this brings is seen here after the view's own handler.
    QList<QWebEnginePage *> pagesAfterGivingBack{nullptr};
    AKWebView *fullScreenView = fullScreen->view();
    QObject::connect(fullScreenView, &QWebEngineView::urlChanged, fullScreenView,
                     [&] { pagesAfterGivingBack = pagesOf(fullScreenView); });

    // Results still reach the page that the full-screen view shows, not a blank one.
    window->checkPushStreamResult(4);
    EXPECT_EQ(runScript(page, QStringLiteral("window.standin.checkResults.join()")).toString(),
              QStringLiteral("4"));
    EXPECT_EQ(view->ownPage(), page);

    // A second request while in full screen leaves the one window in place.
    runScript(page, QStringLiteral("document.getElementById('video').requestFullscreen(); 1"));
    EXPECT_EQ(window->findChildren<AKFullScreenWindow *>().size(), 1);

    runScript(page, QStringLiteral("document.exitFullscreen(); 1"));
    ASSERT_TRUE(waitUntil([&] { return !window->isInFullScreen(); }));
    EXPECT_EQ(window->findChild<AKFullScreenWindow *>(), nullptr);
    EXPECT_TRUE(pagesAfterGivingBack.isEmpty());
    EXPECT_EQ(view->page(), page);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->geometry(), viewGeometry);
    window->checkPushStreamResult(1);
    EXPECT_EQ(runScript(page, QStringLiteral("window.standin.checkResults.join()")).toString(),
              QStringLiteral("4,1"));
}

TEST_F(MainWindowTest, ClosingDuringFullScreenEndsItFirst)
{
    loadPage();
    enterFullScreen();
    QPointer<AKFullScreenWindow> fullScreen = window->findChild<AKFullScreenWindow *>();
    ASSERT_TRUE(fullScreen);
    MessageBoxAnswerer answers({QMessageBox::Yes});
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(fullScreen);
    EXPECT_EQ(window->view(), nullptr);
    // Let the engine deliver whatever it still had for the page, then destroy the window.
    waitUntil([] { return false; }, 500);
    window.reset();
    waitUntil([] { return false; }, 500);
}

TEST_F(MainWindowTest, DestroyingTheWindowDuringFullScreenGivesThePageBackFirst)
{
    loadPage();
    enterFullScreen();
    loads.reset();
    window.reset();
    waitUntil([] { return false; }, 500);
}

} // namespace
