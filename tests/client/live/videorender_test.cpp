#include "live/videorender.h"

#include <ilive/ilivesimulation.h>

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using ::testing::ElementsAre;

namespace {

std::string attachCall(const QWidget &widget)
{
    return "rootView.attachWindow(" + std::to_string(widget.winId()) + ")";
}

// The calls of the SDK's render views only.
std::vector<std::string> viewCalls()
{
    std::vector<std::string> calls;
    for (const std::string &call : ilivesim::calls()) {
        if (call == "createRootView()" || call.compare(0, 9, "rootView.") == 0)
            calls.push_back(call);
    }
    ilivesim::clearCalls();
    return calls;
}

std::string lastAttach()
{
    const std::vector<std::string> calls = ilivesim::calls();
    const auto found = std::find_if(calls.rbegin(), calls.rend(), [](const std::string &call) {
        return call.compare(0, 22, "rootView.attachWindow(") == 0;
    });
    return found == calls.rend() ? std::string() : *found;
}

class VideoRenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ilivesim::reset();
        place.setGeometry(100, 100, 640, 480);
        render = new VideoRender(&place);
        render->setGeometry(20, 30, 320, 180);
        place.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&place));
    }
    void TearDown() override
    {
        delete render.data();
        EXPECT_EQ(ilivesim::rootViewsAlive(), 0);
        ilivesim::reset();
    }
    void doubleClick()
    {
        QWidget *target = render;
        QTest::mouseDClick(target, Qt::LeftButton);
        QApplication::processEvents();
    }

    QWidget place;
    QPointer<VideoRender> render;
};

TEST_F(VideoRenderTest, OneSdkViewFromTheFirstShowToTheEndAndTheColourOnEveryShow)
{
    EXPECT_THAT(viewCalls(), ElementsAre("createRootView()", attachCall(*render),
                                         "rootView.setBackgroundColor(0xff000000)"));
    render->hide();
    render->setBackgroundColor(0xff336699u);
    render->show();
    EXPECT_THAT(viewCalls(), ElementsAre("rootView.setBackgroundColor(0xff336699)"));
    EXPECT_EQ(ilivesim::rootViewsAlive(), 1);

    delete render.data();
    EXPECT_THAT(viewCalls(), ElementsAre("rootView.detachWindow()", "rootView.release()"));
}

TEST_F(VideoRenderTest, DoubleClicksGoToFullScreenAndBackIntoTheSamePlace)
{
    for (int round = 0; round < 2; ++round) {
        doubleClick();
        EXPECT_TRUE(render->isInFullScreen());
        EXPECT_TRUE(render->isWindow());
        EXPECT_TRUE(render->isFullScreen());
        EXPECT_TRUE(render->isVisible());
        // The SDK draws into whatever native window the widget has now.
        EXPECT_EQ(lastAttach(), attachCall(*render));

        doubleClick();
        EXPECT_FALSE(render->isInFullScreen());
        EXPECT_FALSE(render->isFullScreen());
        EXPECT_EQ(render->parentWidget(), &place);
        EXPECT_EQ(render->geometry(), QRect(20, 30, 320, 180));
        EXPECT_TRUE(render->isVisible());
        EXPECT_EQ(lastAttach(), attachCall(*render));
    }
    EXPECT_EQ(ilivesim::rootViewsAlive(), 1);
}

TEST_F(VideoRenderTest, RendersBetweenStartAndStopAndStopLeavesFullScreenFirst)
{
    ilivesim::clearCalls();
    EXPECT_TRUE(render->isIdle());
    ASSERT_TRUE(render->startRender(SdkString("teacher"), 1));
    EXPECT_FALSE(render->isIdle());
    EXPECT_STREQ(render->streamId().c_str(), "teacher");
    render->setScaleMode(3);
    EXPECT_THAT(viewCalls(), ElementsAre("rootView.startRender(teacher,1,{2,1,0,0,0,0,5},0)",
                                         "rootView.setScaleMode(3)"));

    doubleClick();
    ASSERT_TRUE(render->isInFullScreen());
    render->stopRender();
    EXPECT_FALSE(render->isInFullScreen());
    EXPECT_EQ(render->parentWidget(), &place);
    EXPECT_EQ(render->geometry(), QRect(20, 30, 320, 180));
    EXPECT_TRUE(render->isIdle());
    EXPECT_STREQ(render->streamId().c_str(), "");
    const std::vector<std::string> calls = viewCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "rootView.stopRender(1)");
}

TEST(VideoRenderLifeTest, BeforeItsFirstShowNothingReachesTheSdk)
{
    ilivesim::reset();
    {
        VideoRender render;
        EXPECT_FALSE(render.startRender(SdkString("teacher"), 1));
        EXPECT_TRUE(render.isIdle());
        EXPECT_STREQ(render.streamId().c_str(), "");
        render.setScaleMode(3);
        render.stopRender();
        EXPECT_TRUE(render.isIdle());
    }
    EXPECT_TRUE(ilivesim::calls().empty());
}

TEST_F(VideoRenderTest, APlaceThatGoesDuringFullScreenTakesTheWidgetWithIt)
{
    auto parent = std::make_unique<QWidget>(&place);
    parent->setGeometry(0, 0, 400, 300);
    parent->show();
    delete render.data();
    render = new VideoRender(parent.get());
    render->show();
    doubleClick();
    ASSERT_TRUE(render->isInFullScreen());

    parent.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(render);
    EXPECT_EQ(ilivesim::rootViewsAlive(), 0);
}

TEST_F(VideoRenderTest, AStyleSheetPaintsItsBackground)
{
    render->setStyleSheet(QStringLiteral("VideoRender { background: rgb(10, 200, 30); }"));
    const QImage image = render->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(10, 200, 30));
}

} // namespace
