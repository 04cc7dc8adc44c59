#include "widgets/screensharewindow.h"

#include "webtestsupport.h"

#include <QApplication>
#include <QChildEvent>
#include <QDesktopWidget>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace webtest;

namespace {

constexpr int raiseDelayMs = 3000;
// Generous: the machine is shared by several builds at once.
constexpr int slideWaitMs = 15000;

// Counts the slide animations that a bar starts.
class SlideCounter : public QObject
{
public:
    explicit SlideCounter(QObject *bar) { bar->installEventFilter(this); }
    int slides = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // The child is not fully made yet when it is added: the bar's only children that are no
        // widgets are its slides.
        if (event->type() == QEvent::ChildAdded &&
            !static_cast<QChildEvent *>(event)->child()->isWidgetType())
            ++slides;
        return false;
    }
};

class ScreenShareWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a display (Xvfb): offscreen fakes window geometry";
    }

    QRect barAt(int top) const
    {
        return QRect((QApplication::desktop()->width() - 113) / 2, top, 113, 51);
    }
    QPropertyAnimation *runningSlide() const { return bar.findChild<QPropertyAnimation *>(); }
    bool settledAt(int top) const { return !runningSlide() && bar.geometry() == barAt(top); }
    void point(QEvent::Type type)
    {
        QEvent event(type);
        QCoreApplication::sendEvent(&bar, &event);
    }
    void start()
    {
        bar.show();
        bar.placeShareBar();
    }

    ScreenShareWindow bar;
};

TEST_F(ScreenShareWindowTest, IsAFloatingFramelessBarWithOneStopButton)
{
    EXPECT_TRUE(bar.isWindow());
    EXPECT_EQ(bar.parent(), nullptr);
    EXPECT_FALSE(bar.isVisible());
    EXPECT_EQ(bar.size(), QSize(113, 51));
    const Qt::WindowFlags flags = bar.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    auto *button = bar.findChild<QPushButton *>(QStringLiteral("pushButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(10, 10, 93, 28));
    EXPECT_EQ(button->text(), QStringLiteral("停止共享"));
}

TEST_F(ScreenShareWindowTest, SitsCentredAtTheTopThenSlidesUpAndFollowsThePointer)
{
    if (QApplication::desktop()->width() == 1920) {
        EXPECT_EQ(barAt(0).x(), 903);
    }
    QElapsedTimer clock;
    clock.start();
    start();
    EXPECT_EQ(bar.geometry(), barAt(0));

    // Raised to a strip of 11 rows once the delay is over.
    ASSERT_TRUE(waitUntil([&] { return bar.geometry().top() != 0; }, raiseDelayMs + slideWaitMs));
    // A coarse timer may fire up to 5 % early.
    EXPECT_GE(clock.elapsed(), raiseDelayMs * 95 / 100);
    ASSERT_TRUE(waitUntil([&] { return settledAt(-40); }, slideWaitMs));

    point(QEvent::Enter);
    ASSERT_TRUE(waitUntil([&] { return settledAt(-5); }, slideWaitMs));
    point(QEvent::Leave);
    ASSERT_TRUE(waitUntil([&] { return settledAt(-40); }, slideWaitMs));

    // Started again, it is placed afresh.
    bar.hide();
    start();
    EXPECT_EQ(bar.geometry(), barAt(0));
}

TEST_F(ScreenShareWindowTest, PointingAtTheFullyShownBarStaysLeavingRaisesItAtOnce)
{
    start();
    SlideCounter counter(&bar);
    point(QEvent::Enter);
    EXPECT_EQ(counter.slides, 0);
    EXPECT_EQ(bar.geometry(), barAt(0));

    point(QEvent::Leave);
    ASSERT_EQ(counter.slides, 1);
    QPropertyAnimation *slide = runningSlide();
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(slide->endValue().toRect(), barAt(-40));
    EXPECT_EQ(slide->duration(), 300);
    ASSERT_TRUE(waitUntil([&] { return settledAt(-40); }, slideWaitMs));
}

TEST_F(ScreenShareWindowTest, EachStartRaisesTheBarWhenItsDelayEnds)
{
    SlideCounter counter(&bar);
    start();
    start();
    ASSERT_TRUE(waitUntil([&] { return counter.slides == 2; }, raiseDelayMs + slideWaitMs));
    ASSERT_TRUE(waitUntil([&] { return settledAt(-40); }, slideWaitMs));
    EXPECT_EQ(counter.slides, 2);
}

TEST_F(ScreenShareWindowTest, TheStopButtonSignalsOnceAndHidesTheBar)
{
    start();
    QSignalSpy stop(&bar, &ScreenShareWindow::onStopShareClick);
    QTest::mouseClick(bar.findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    EXPECT_EQ(stop.count(), 1);
    EXPECT_FALSE(bar.isVisible());
}

} // namespace
