#include "windows/akwebpopupwindow.h"

#include "web/akwebview.h"

#include "standinfixture.h"
#include "webtestsupport.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

using namespace webtest;

void PrintTo(const QRect &rect, std::ostream *out)
{
    *out << "(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height()
         << ")";
}

namespace {

// A page that answers window.open with a pop-up window, as a view that opens them would.
class OpenerPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QPointer<AKWebPopupWindow> popup;

protected:
    QWebEnginePage *createWindow(WebWindowType) override
    {
        popup = new AKWebPopupWindow(profile());
        return popup->view()->page();
    }
};

const QByteArray popupPage = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                             "<title>Pop-up page</title></head><body>pop-up</body></html>";

class WebPopupWindowTest : public StandinFixture
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a display (Xvfb): offscreen fakes window geometry";
        StandinFixture::SetUp();
        if (HasFatalFailure())
            return;
        standin.setResponse(QStringLiteral("/popup.html"),
                            classroom::Response{200, "text/html", popupPage, {}, 0, false});
        available = QGuiApplication::primaryScreen()->availableGeometry();
    }
    void TearDown() override
    {
        delete popup.data();
        StandinFixture::TearDown();
    }

    // A pop-up window as a page opens it, with the features given.
    void openPopup(const QString &features)
    {
        opener = std::make_unique<QWebEngineView>();
        auto *page = new OpenerPage(QWebEngineProfile::defaultProfile(), opener.get());
        opener->setPage(page);
        LoadWatcher loads(opener.get());
        opener->load(standin.pageUrl());
        ASSERT_TRUE(loads.waitForLoads(1));
        runScript(page, QStringLiteral("window.open('/popup.html', 'pop', '%1'); 1").arg(features));
        ASSERT_TRUE(waitUntil([&] { return page->popup && page->popup->isVisible(); }));
        popup = page->popup;
    }
    QVariant popupJs(const QString &script) { return runScript(popup->view()->page(), script); }

    void request(const QRect &geometry)
    {
        ASSERT_TRUE(QMetaObject::invokeMethod(popup, "handleGeometryChangeRequested",
                                              Q_ARG(QRect, geometry)));
    }

    std::unique_ptr<QWebEngineView> opener;
    QPointer<AKWebPopupWindow> popup;
    QRect available;
};

TEST_F(WebPopupWindowTest, FollowsItsPageGeometryTitleAndClose)
{
    openPopup(QStringLiteral("left=100,top=80,width=400,height=300"));
    EXPECT_EQ(popup->frameGeometry().topLeft(), QPoint(100, 80));
    EXPECT_EQ(popup->size(), QSize(400, 300));
    EXPECT_EQ(popup->view()->geometry(), QRect(0, 0, 400, 300));
    EXPECT_TRUE(waitUntil([&] { return popup->windowTitle() == QStringLiteral("Pop-up page"); }));

    // Smaller, from the page itself.
    popupJs(QStringLiteral("window.resizeTo(300, 200); 1"));
    EXPECT_TRUE(waitUntil([&] { return popup->size() == QSize(300, 200); }));
    EXPECT_EQ(popup->view()->minimumSize(), QSize(300, 200));

    QPointer<QWebEnginePage> page = popup->view()->page();
    popupJs(QStringLiteral("window.close(); 1"));
    EXPECT_TRUE(waitUntil([&] { return !popup; }));
    EXPECT_FALSE(page);
}

TEST_F(WebPopupWindowTest, KeepsEveryRequestedGeometryOnTheScreenAndOfSaneSize)
{
    openPopup(QStringLiteral("left=100,top=80,width=400,height=300"));
    const int m = AKWebPopupWindow::minimumPopupSize;
    const QPoint farCorner(available.right() + 1, available.bottom() + 1);
    const struct
    {
        const char *what;
        QRect requested;
        QRect expected;
    } cases[] = {
        {"inside", QRect(100, 80, 400, 300), QRect(100, 80, 400, 300)},
        {"off the top left", QRect(-5000, -5000, 400, 300),
         QRect(available.topLeft(), QSize(400, 300))},
        {"off the bottom right", QRect(50000, 50000, 400, 300),
         QRect(farCorner - QPoint(400, 300), QSize(400, 300))},
        {"partly off", QRect(available.right() - 100, 80, 400, 300),
         QRect(farCorner.x() - 400, 80, 400, 300)},
        {"larger than the screen", QRect(100, 80, 100000, 100000), available},
        {"empty", QRect(100, 80, 0, 0), QRect(100, 80, m, m)},
        {"negative size", QRect(100, 80, -50, -50), QRect(100, 80, m, m)},
        {"tiny", QRect(100, 80, 1, 1), QRect(100, 80, m, m)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(AKWebPopupWindow::fitToScreens(c.requested), c.expected);
        request(c.requested);
        EXPECT_TRUE(popup->isVisible());
        EXPECT_EQ(popup->geometry(), c.expected);
    }
}

} // namespace
