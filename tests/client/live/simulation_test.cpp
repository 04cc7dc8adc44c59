#include <ilive/ilive.h>
#include <ilive/ilivesimulation.h>

#include <QCoreApplication>
#include <QThread>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

using ::testing::ElementsAre;

namespace {

struct Answer
{
    int calls = 0;
    int code = 0;
    std::string description;
    bool onGuiThread = false;
};

void succeeded(void *context)
{
    auto *answer = static_cast<Answer *>(context);
    ++answer->calls;
    answer->onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
}

void failed(int code, const char *description, void *context)
{
    auto *answer = static_cast<Answer *>(context);
    ++answer->calls;
    answer->code = code;
    answer->description = description;
    answer->onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
}

void settle()
{
    for (int round = 0; ilivesim::pendingAnswers() > 0 && round < 10000; ++round) {
        QCoreApplication::processEvents();
        ilivesim::deliverHeld();
    }
}

std::vector<std::string> names(const SdkList<SdkDeviceEntry> &devices)
{
    std::vector<std::string> all;
    for (const SdkDeviceEntry &device : devices)
        all.push_back(std::string(device.id.c_str()) + "/" + device.name.c_str());
    return all;
}

} // namespace

TEST(Simulation, AnswersComeOnTheGuiThreadEvenForARequestFromElsewhere)
{
    ilivesim::reset();
    GetILive()->init(1, 2, 1);
    Answer answer;
    std::thread([&answer] { GetILive()->login("u", "s", succeeded, failed, &answer); }).join();
    EXPECT_EQ(answer.calls, 0) << "never inside the request";
    settle();
    EXPECT_EQ(answer.calls, 1);
    EXPECT_TRUE(answer.onGuiThread);
    EXPECT_TRUE(ilivesim::loggedIn());
}

TEST(Simulation, ScriptSetsOutcomesDevicesAndResults)
{
    ilivesim::reset();
    EXPECT_TRUE(ilivesim::applyScript(
        "init=0;login=error:70001:bad signature;cameras=c1/Cam One,c2/Cam Two;mics=;probe=0;"
        "version=9.9"));
    ILive *live = GetILive();
    EXPECT_EQ(live->init(1, 2, 1), 0);
    EXPECT_STREQ(live->getVersion(), "9.9");
    Answer answer;
    live->login("u", "s", succeeded, failed, &answer);
    settle();
    EXPECT_EQ(answer.code, 70001);
    EXPECT_EQ(answer.description, "bad signature");

    SdkList<SdkDeviceEntry> cameras;
    SdkList<SdkDeviceEntry> mics;
    live->getCameraList(cameras);
    live->getMicList(mics);
    EXPECT_THAT(names(cameras), ElementsAre("c1/Cam One", "c2/Cam Two"));
    EXPECT_TRUE(mics.empty());

    ILiveRootView *view = iLiveCreateRootView();
    EXPECT_EQ(view->probeSupport(), 0);
    view->release();
    EXPECT_EQ(ilivesim::rootViewsAlive(), 0);
}

TEST(Simulation, ScriptReportsWhatItDidNotUnderstandAndAppliesTheRest)
{
    const char *bad[] = {"login=maybe", "init=x",     "cameras=nodelimiter",
                         "nonsense=1",  "channel=-1", "noequals"};
    for (const char *item : bad) {
        ilivesim::reset();
        EXPECT_FALSE(ilivesim::applyScript(std::string(item) + ";init=4")) << item;
        EXPECT_EQ(GetILive()->init(1, 2, 1), 4) << item;
    }
}

TEST(Simulation, RequestsNeedTheStateBeforeThem)
{
    ilivesim::reset();
    Answer login;
    GetILive()->login("u", "s", succeeded, failed, &login);
    Answer room;
    SdkRoomOption option;
    GetILive()->createRoom(option, succeeded, failed, &room);
    settle();
    EXPECT_EQ(login.code, 1001);
    EXPECT_EQ(room.code, 1002);
}

TEST(Simulation, ResetDropsAnswersStillOnTheirWay)
{
    ilivesim::reset();
    GetILive()->init(1, 2, 1);
    Answer answer;
    GetILive()->login("u", "s", succeeded, failed, &answer);
    ilivesim::reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(answer.calls, 0);
    EXPECT_EQ(ilivesim::pendingAnswers(), 0);
}

TEST(Simulation, WholeProgramRunsTakeTheScriptFromTheEnvironment)
{
    // Read once, on first use of the SDK in this process.
    ::setenv("ILIVE_SIMULATION", "init=17;version=from-env", 1);
    EXPECT_EQ(GetILive()->init(1, 2, 1), 17);
    EXPECT_STREQ(GetILive()->getVersion(), "from-env");
}

TEST(Simulation, RenderViewsRecordWhatTheyAreAsked)
{
    ilivesim::reset();
    ILiveRootView *view = iLiveCreateRootView();
    EXPECT_EQ(ilivesim::rootViewsAlive(), 1);
    view->attachWindow(77);
    view->setBackgroundColor(0xFF000000u);
    SdkRenderOption option;
    option.layout = 2;
    option.mirrored = true;
    option.scale = 5;
    view->startRender(SdkString("stream-1"), 1, option, 0);
    view->stopRender(1);
    view->detachWindow();
    view->release();
    EXPECT_EQ(ilivesim::rootViewsAlive(), 0);
    EXPECT_THAT(ilivesim::calls(), ElementsAre("createRootView()", "rootView.attachWindow(77)",
                                               "rootView.setBackgroundColor(0xff000000)",
                                               "rootView.startRender(stream-1,1,{2,1,0,0,0,0,5},0)",
                                               "rootView.stopRender(1)", "rootView.detachWindow()",
                                               "rootView.release()"));
}
