#include "windows/akfullscreennotification.h"

#include <QGraphicsOpacityEffect>
#include <QSequentialAnimationGroup>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The fade is driven by setting its time: nothing here waits on the clock.
TEST(FullScreenNotificationTest, StaysTwoSecondsFadesOutWithAnOutQuadThenHides)
{
    QWidget window;
    window.resize(800, 600);
    auto *notice = new AKFullScreenNotification(&window);
    QSignalSpy shown(notice, &AKFullScreenNotification::shown);
    auto *fade = notice->findChild<QSequentialAnimationGroup *>();
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(notice->graphicsEffect());
    ASSERT_NE(fade, nullptr);
    ASSERT_NE(effect, nullptr);
    EXPECT_TRUE(notice->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(fade->state(), QAbstractAnimation::Stopped);

    window.show();
    EXPECT_EQ(shown.count(), 1);
    ASSERT_EQ(fade->state(), QAbstractAnimation::Running);
    fade->pause();

    // Opacity after the pause is (1 - t)^2 for the fade's fraction t: a linear fade would give
    // 0.75, 0.5 and 0.25.
    const struct
    {
        int ms;
        double opacity;
    } steps[] = {{0, 1.0},       {1000, 1.0},  {1999, 1.0},    {2000, 1.0},
                 {2500, 0.5625}, {3000, 0.25}, {3500, 0.0625}, {3999, 0.00000025}};
    for (const auto &step : steps) {
        fade->setCurrentTime(step.ms);
        EXPECT_NEAR(effect->opacity(), step.opacity, 1e-6) << "at " << step.ms << " ms";
        EXPECT_TRUE(notice->isVisible()) << "at " << step.ms << " ms";
    }

    // A minimised and restored window sends its visible children show events again: the fade
    // goes on where it was.
    fade->setCurrentTime(3000);
    window.showMinimized();
    window.showNormal();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(fade->state(), QAbstractAnimation::Paused);
    EXPECT_EQ(fade->currentTime(), 3000);

    fade->setCurrentTime(4000);
    EXPECT_EQ(fade->state(), QAbstractAnimation::Stopped);
    EXPECT_DOUBLE_EQ(effect->opacity(), 0.0);
    EXPECT_FALSE(notice->isVisible());
    // Once gone it stays gone for the rest of the full-screen period.
    window.showMinimized();
    window.showNormal();
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(shown.count(), 1);
}

} // namespace
