#include "livefixture.h"

#include <QCoreApplication>

#include <algorithm>
#include <thread>

using ilivesim::Outcome;
using ilivesim::Request;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

bool holds(const Timeline &timeline, const std::string &entry)
{
    return std::find(timeline.begin(), timeline.end(), entry) != timeline.end();
}

bool holdsPrefix(const Timeline &timeline, const std::string &prefix)
{
    return std::any_of(timeline.begin(), timeline.end(), [&](const std::string &entry) {
        return entry.compare(0, prefix.size(), prefix) == 0;
    });
}

const Timeline kLoginRequest = {
    "sdk:init(1400000001,10001,1)",     "sdk:createRootView()",
    "sdk:rootView.probeSupport()",      "sdk:setRenderMode(0)",
    "sdk:rootView.release()",           "sdk:getVersion()",
    "log:sdk version: 1.0.0-simulated", "sdk:login(alice,sig)",
};

const Timeline kRoomRequest = {
    "sdk:setNoopCallbackA()",
    "sdk:setDeviceOperationCallback()",
    "sdk:setNoopCallbackB()",
    "sdk:createRoom(1234,LiveMaster)",
};

Timeline joined(std::initializer_list<Timeline> parts)
{
    Timeline all;
    for (const Timeline &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

TEST_F(LiveTest, LoginRunsTheWholeRoomStartWithEveryLineInOrder)
{
    ASSERT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, 1, 1), 0);
    // The SDK answers later, from the event loop, never inside the request.
    EXPECT_THAT(take(), ElementsAreArray(kLoginRequest));
    EXPECT_EQ(ilivesim::pendingAnswers(), 1);

    settle();
    const Timeline expected = joined({kRoomRequest,
                                      {
                                          "log:Live LogIn Success",
                                          "sdk:getWindowList()",
                                          shareCall(),
                                          "sdk:getCameraList()",
                                          "sdk:openCamera(camera-0)",
                                          "sdk:getMicList()",
                                          "sdk:openMic(microphone-0)",
                                          "sdk:startPushStream(1,5,4,0,1,0)",
                                          "sdk:setRecordingText()",
                                          "sdk:startRecordVideo(1,1234.mp4,0)",
                                          "log:create live room success",
                                          "log:sim://push/1234",
                                          "page:0",
                                          "log:Start Push Stream Success",
                                          "page:0",
                                          "log:Start Record Success",
                                      }});
    EXPECT_THAT(take(), ElementsAreArray(expected));

    const ilivesim::RoomOptionSeen room = ilivesim::lastRoomOption();
    EXPECT_EQ(room.mode, 1);
    EXPECT_EQ(room.roomNumber, 1234);
    EXPECT_EQ(room.token, "");
    EXPECT_TRUE(room.createIfMissing);
    EXPECT_EQ(room.privilege[0], -1);
    EXPECT_EQ(room.privilege[1], -1);
    EXPECT_EQ(room.role, "LiveMaster");
    EXPECT_EQ(room.group, "");
    EXPECT_TRUE(room.audioOn && room.videoOn && room.speakerOn);
    EXPECT_EQ(room.timeoutMs, 1000);
    EXPECT_TRUE(room.hasDisconnectCallback);
    EXPECT_TRUE(room.hasRoomEventCallback);
    EXPECT_EQ(room.context, live);
    EXPECT_TRUE(ilivesim::inRoom());
}

TEST_F(LiveTest, LogOutClosesStopsQuitsAndLogsOutThenTheNextLoginStartsAgain)
{
    ilivesim::setPushResult({"sim://push/1234"}, 77);
    enterRoom(1, 1);

    EXPECT_EQ(live->LogOut(), 0);
    EXPECT_THAT(take(), ElementsAre("log:Live::LogOut()", "log:Close Screen Share",
                                    "sdk:closeScreenShare()", "log:Close Mic", "sdk:closeMic()",
                                    "log:Close Player", "sdk:closePlayer()",
                                    "sdk:finishRecording()", "sdk:stopRecordVideo(1)",
                                    "sdk:stopPushStream(77,1)", "sdk:quitRoom()"));
    settle();
    EXPECT_THAT(take(), ElementsAre("log:sim://record/1234.mp4", "log:Stop Record Success",
                                    "log:Stop Push Stream Success", "sdk:logout()",
                                    "log:Quit Room Success", "page:1", "log:Live LogOut Success"));
    EXPECT_FALSE(ilivesim::loggedIn());

    // Everything was closed: a second logout only leaves the room again.
    live->LogOut();
    EXPECT_THAT(take(), ElementsAre("log:Live::LogOut()", "sdk:quitRoom()"));
    settle();
    take();

    // After a logout the SDK is initialised again.
    ASSERT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, 0, 0), 0);
    EXPECT_THAT(take(), ElementsAreArray(kLoginRequest));
}

struct FailureCase
{
    const char *name;
    Request failing;
    int bpush;
    int brecord;
    Timeline pageResults;
    std::string line;
    std::string absentCall; // a request that must not follow
};

void PrintTo(const FailureCase &c, std::ostream *out)
{
    *out << c.name;
}

class LiveFailure : public LiveTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(LiveFailure, GivesItsPageResultAndLine)
{
    const FailureCase &c = GetParam();
    ilivesim::setOutcome(c.failing, Outcome{false, 70001, "scripted failure"});
    ASSERT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, c.bpush,
                          c.brecord),
              0);
    settle();
    const Timeline all = take();
    Timeline pages;
    std::copy_if(all.begin(), all.end(), std::back_inserter(pages),
                 [](const std::string &entry) { return entry.rfind("page:", 0) == 0; });
    EXPECT_EQ(pages, c.pageResults);
    EXPECT_TRUE(holds(all, "log:" + c.line)) << c.line;
    if (!c.absentCall.empty()) {
        EXPECT_FALSE(holdsPrefix(all, "sdk:" + c.absentCall));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Room, LiveFailure,
    ::testing::Values(FailureCase{"Login",
                                  Request::Login,
                                  1,
                                  1,
                                  {"page:2"},
                                  "Live LogIn Error,code:70001, desc:scripted failure",
                                  "createRoom"},
                      FailureCase{"CreateRoom",
                                  Request::CreateRoom,
                                  1,
                                  1,
                                  {"page:3"},
                                  "create room failed code:70001, desc:scripted failure",
                                  "getWindowList"},
                      FailureCase{"Push",
                                  Request::StartPushStream,
                                  1,
                                  0,
                                  {"page:4"},
                                  "Start Push Stream Error,code:70001, desc:scripted failure",
                                  ""},
                      FailureCase{"Record",
                                  Request::StartRecordVideo,
                                  0,
                                  1,
                                  {},
                                  "Start Record Stream Error code :70001, info:scripted failure",
                                  ""},
                      FailureCase{"PushFailsRecordRuns",
                                  Request::StartPushStream,
                                  1,
                                  1,
                                  {"page:4", "page:0"},
                                  "Start Push Stream Error,code:70001, desc:scripted failure",
                                  ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct StopFailureCase
{
    const char *name;
    Request failing;
    std::string line;
    Timeline pageResults;
};

void PrintTo(const StopFailureCase &c, std::ostream *out)
{
    *out << c.name;
}

class LiveStopFailure : public LiveTest, public ::testing::WithParamInterface<StopFailureCase>
{
};

TEST_P(LiveStopFailure, IsOnlyLogged)
{
    const StopFailureCase &c = GetParam();
    enterRoom(1, 1);
    ilivesim::setOutcome(c.failing, Outcome{false, 5, "refused"});
    live->LogOut();
    settle();
    const Timeline all = take();
    EXPECT_TRUE(holds(all, "log:" + c.line)) << c.line;
    Timeline pages;
    std::copy_if(all.begin(), all.end(), std::back_inserter(pages),
                 [](const std::string &entry) { return entry.rfind("page:", 0) == 0; });
    EXPECT_EQ(pages, c.pageResults);
}

INSTANTIATE_TEST_SUITE_P(
    LogOut, LiveStopFailure,
    ::testing::Values(
        StopFailureCase{"StopPush",
                        Request::StopPushStream,
                        "Stop push Stream Error code :5, info:refused",
                        {"page:1"}},
        StopFailureCase{"StopRecord",
                        Request::StopRecordVideo,
                        "Stop Record Stream Error code :5, info:refused",
                        {"page:1"}},
        StopFailureCase{"Quit", Request::QuitRoom, "Quit Room Error code :5, info:refused", {}},
        StopFailureCase{"Logout", Request::Logout, "Live LogOut Error,code:5, desc:refused", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LiveTest, AQuitErrorKeepsTheLoginSoTheNextLoginStartsNothing)
{
    enterRoom(0, 0);
    ilivesim::setOutcome(Request::QuitRoom, Outcome{false, 9, "busy"});
    live->LogOut();
    settle();
    const Timeline logout = take();
    EXPECT_FALSE(holds(logout, "sdk:logout()"));
    EXPECT_FALSE(holdsPrefix(logout, "page:"));

    EXPECT_EQ(live->Login(&owner, QStringLiteral("bob"), QStringLiteral("s2"), 5, 1, 1), 0);
    settle();
    EXPECT_TRUE(take().empty());
}

TEST_F(LiveTest, AStopRecordErrorKeepsTheRecordingSoTheNextStopAsksAgain)
{
    enterRoom(0, 1);
    ilivesim::setOutcome(Request::StopRecordVideo, Outcome{false, 3, "disk"});
    live->StopRecord();
    settle();
    EXPECT_THAT(take(), ElementsAre("sdk:finishRecording()", "sdk:stopRecordVideo(1)",
                                    "log:Stop Record Stream Error code :3, info:disk"));
    ilivesim::setOutcome(Request::StopRecordVideo, Outcome{});
    live->StopRecord();
    settle();
    EXPECT_THAT(take(), ElementsAre("sdk:finishRecording()", "sdk:stopRecordVideo(1)",
                                    "log:sim://record/1234.mp4", "log:Stop Record Success"));
    live->StopRecord();
    EXPECT_TRUE(take().empty());
}

TEST_F(LiveTest, InitFailureReturnsMinusOneAndTheNextLoginTriesAgain)
{
    ilivesim::setInitResult(6014);
    EXPECT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1, 1, 1), -1);
    settle();
    EXPECT_THAT(take(), ElementsAre("sdk:init(1400000001,10001,1)", "log:init sdk failed."));

    ilivesim::setInitResult(0);
    EXPECT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, 1, 1), 0);
    EXPECT_THAT(take(), ElementsAreArray(kLoginRequest));
}

TEST_F(LiveTest, RenderModeFollowsTheProbe)
{
    const std::pair<int, const char *> cases[] = {
        {1, "sdk:setRenderMode(0)"}, {0, "sdk:setRenderMode(8)"}, {2, "sdk:setRenderMode(8)"}};
    for (const auto &[probe, call] : cases) {
        ilivesim::setProbeSupport(probe);
        ilivesim::setOutcome(Request::Login, Outcome{false, 1, "stop here"});
        live->Login(&owner, QStringLiteral("a"), QStringLiteral("s"), 1, 0, 0);
        settle();
        EXPECT_TRUE(holds(take(), call)) << "probe " << probe;
        EXPECT_EQ(ilivesim::rootViewsAlive(), 0) << "the probe view is released";
    }
}

TEST_F(LiveTest, LoginWhileLoggedInOnlyStoresItsValues)
{
    enterRoom(0, 0);
    FakeOwner other(timeline);

    EXPECT_EQ(live->Login(&other, QStringLiteral("bob"), QStringLiteral("s2"), -5, 1, 1), 0);
    settle();
    EXPECT_TRUE(take().empty()) << "no SDK call and no page result";

    // The room of the last login, whatever number the page passes, with its wanted flags and
    // its owner.
    live->CreateRoom(999);
    settle();
    const Timeline room = take();
    EXPECT_TRUE(holds(room, "sdk:createRoom(-5,LiveMaster)"));
    EXPECT_TRUE(holds(room, "sdk:startPushStream(1,5,4,0,1,0)"));
    EXPECT_TRUE(holds(room, "sdk:startRecordVideo(1,-5.mp4,0)"));
    EXPECT_EQ(std::count(room.begin(), room.end(), "page:0"), 2);
}

TEST_F(LiveTest, NoFlagsOpensDevicesOnlyAndLaterStartsAreRefused)
{
    ASSERT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, 0, 0), 0);
    settle();
    const Timeline all = take();
    EXPECT_TRUE(holds(all, shareCall()));
    EXPECT_TRUE(holds(all, "sdk:openCamera(camera-0)"));
    EXPECT_TRUE(holds(all, "sdk:openMic(microphone-0)"));
    EXPECT_FALSE(holdsPrefix(all, "sdk:startPushStream"));
    EXPECT_FALSE(holdsPrefix(all, "sdk:startRecordVideo"));
    EXPECT_FALSE(holdsPrefix(all, "page:"));

    EXPECT_EQ(live->StartPushStream(), -1);
    EXPECT_EQ(live->StartRecord(), -1);
    EXPECT_EQ(live->StopPushStream(), 0);
    EXPECT_EQ(live->StopRecord(), 0);
    EXPECT_TRUE(take().empty());
}

TEST_F(LiveTest, RecordFileIsTheRoomNumberInDecimal)
{
    const std::pair<int, const char *> cases[] = {{0, "sdk:startRecordVideo(1,0.mp4,0)"},
                                                  {-5, "sdk:startRecordVideo(1,-5.mp4,0)"},
                                                  {1234, "sdk:startRecordVideo(1,1234.mp4,0)"}};
    ASSERT_EQ(live->Login(&owner, QStringLiteral("a"), QStringLiteral("s"), 0, 0, 0), 0);
    settle();
    for (const auto &[room, call] : cases) {
        live->Login(&owner, QStringLiteral("a"), QStringLiteral("s"), room, 0, 1);
        take();
        live->StartRecord();
        EXPECT_THAT(take(), ElementsAre(call));
        settle();
        live->StopRecord();
        settle();
        take();
    }
}

TEST_F(LiveTest, EveryPushEntryIsLoggedBeforeTheSuccessAndItsChannelIsStopped)
{
    ilivesim::setPushResult({"url one", "url two", "url three"}, 9000000000ULL);
    enterRoom(0, 0);
    live->Login(&owner, QStringLiteral("a"), QStringLiteral("s"), 1234, 1, 0);
    take();
    live->StartPushStream();
    settle();
    EXPECT_THAT(take(),
                ElementsAre("sdk:startPushStream(1,5,4,0,1,0)", "log:url one", "log:url two",
                            "log:url three", "page:0", "log:Start Push Stream Success"));
    EXPECT_EQ(live->StartPushStream(), 0);
    EXPECT_TRUE(take().empty()) << "a running push is not asked for again";

    live->StopPushStream();
    settle();
    EXPECT_THAT(take(),
                ElementsAre("sdk:stopPushStream(9000000000,1)", "log:Stop Push Stream Success"));
    live->StopPushStream();
    EXPECT_TRUE(take().empty());
}

TEST_F(LiveTest, ASecondStartBeforeTheFirstAnswerAsksForASecondPush)
{
    enterRoom(0, 0);
    live->Login(&owner, QStringLiteral("a"), QStringLiteral("s"), 1234, 1, 0);
    ilivesim::setDelivery(ilivesim::Delivery::Held);
    take();
    live->StartPushStream();
    live->StartPushStream();
    EXPECT_THAT(take(), ElementsAre("sdk:startPushStream(1,5,4,0,1,0)",
                                    "sdk:startPushStream(1,5,4,0,1,0)"));
    ilivesim::deliverHeld();
    EXPECT_EQ(std::count(timeline.begin(), timeline.end(), "page:0"), 2);
}

TEST_F(LiveTest, ScreenShareNeedsTheOwnerInTheWindowList)
{
    // Listed, but not the owner: nothing is shared, yet the logout closes the share.
    ilivesim::setWindows({{0x1234567u, "another program"}});
    enterRoom(0, 0);
    ilivesim::clearCalls();
    live->LogOut();
    Timeline logout = take();
    EXPECT_TRUE(holds(logout, "log:Close Screen Share"));
    EXPECT_TRUE(holds(logout, "sdk:closeScreenShare()"));
    settle();
    for (const std::string &call : ilivesim::calls())
        EXPECT_EQ(call.rfind("openScreenShare", 0), std::string::npos);

    // An empty list shares nothing and leaves nothing to close.
    settle();
    take();
    ilivesim::setWindows({});
    enterRoom(0, 0);
    live->LogOut();
    logout = take();
    EXPECT_FALSE(holds(logout, "log:Close Screen Share"));
    EXPECT_FALSE(holds(logout, "sdk:closeScreenShare()"));
}

TEST_F(LiveTest, MissingDevicesAreNotOpenedNorClosed)
{
    ilivesim::setCameras({});
    ilivesim::setMics({});
    enterRoom(0, 0);
    ilivesim::setCameras({{"c", "late camera"}});
    live->LogOut();
    EXPECT_THAT(take(), ElementsAre("log:Live::LogOut()", "log:Close Screen Share",
                                    "sdk:closeScreenShare()", "sdk:quitRoom()"));
}

TEST_F(LiveTest, TheFirstDeviceOfEachListIsOpened)
{
    ilivesim::setCameras({{"cam-a", "Front"}, {"cam-b", "Back"}});
    ilivesim::setMics({{"mic-a", "Headset"}, {"mic-b", "Desk"}});
    enterRoom(0, 0);
    const std::vector<std::string> calls = ilivesim::calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "openCamera(cam-a)"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "openMic(mic-a)"), calls.end());
}

TEST_F(LiveTest, RoomEventsOnlyLogWhatTheyShould)
{
    enterRoom(0, 0);
    ilivesim::raiseRoomDisconnect(3, "network lost");
    ilivesim::raiseDeviceOperation(2, 0);
    ilivesim::raiseRoomEvent(1, {"someone"});
    ilivesim::raiseNoopA(7);
    ilivesim::raiseNoopB();
    settle();
    EXPECT_THAT(take(), ElementsAre("log:Room disconnect, reason:3, info:network lost",
                                    "log:device operation, oper:2, retCode:0"));
}

TEST_F(LiveTest, RequestsBeforeAnyLoginReachNoPage)
{
    live->CreateRoom(5);
    live->LogOut();
    settle();
    const Timeline all = take();
    EXPECT_FALSE(holdsPrefix(all, "page:"));
    EXPECT_TRUE(holds(all, "log:create room failed code:1002, desc:not logged in"));
    EXPECT_TRUE(holds(all, "log:Quit Room Error code :1003, info:not in a room"));
}

TEST_F(LiveTest, DestroyWithoutLoginTouchesNoSdkAndASecondDestroyOnlyLogs)
{
    Live::DestroyLiveSdk();
    Live::DestroyLiveSdk();
    EXPECT_THAT(take(), ElementsAre("log:DestroyLiveSdk()", "log:DestroyLiveSdk()"));
}

TEST_F(LiveTest, DestroyWhileLoggedInLogsOutAndDropsTheLateAnswers)
{
    const long heapBefore = ilivesim::heapBlocks();
    enterRoom(1, 1);
    ilivesim::setDelivery(ilivesim::Delivery::Held);
    Live::DestroyLiveSdk();
    EXPECT_THAT(take(),
                ElementsAre("log:DestroyLiveSdk()", "log:Live::LogOut()", "log:Close Screen Share",
                            "sdk:closeScreenShare()", "log:Close Mic", "sdk:closeMic()",
                            "log:Close Player", "sdk:closePlayer()", "sdk:finishRecording()",
                            "sdk:stopRecordVideo(1)", "sdk:stopPushStream(1,1)", "sdk:quitRoom()"));
    // Answers for the destroyed controller reach nothing: no logout, no line, no page.
    ilivesim::deliverHeld();
    EXPECT_TRUE(take().empty());
    // Its lists and texts went back to the SDK's heap.
    EXPECT_EQ(ilivesim::heapBlocks(), heapBefore);

    // A new controller starts from nothing.
    live = Live::instance();
    ilivesim::setDelivery(ilivesim::Delivery::Queued);
    ASSERT_EQ(live->Login(&owner, QStringLiteral("alice"), QStringLiteral("sig"), 1234, 0, 0), 0);
    EXPECT_THAT(take(), ElementsAreArray(kLoginRequest));
}

TEST_F(LiveTest, InstanceMakesOneControllerForEveryThreadAndKeepsItOnTheGuiThread)
{
    Live::DestroyLiveSdk();
    std::vector<Live *> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = Live::instance(); });
    for (std::thread &thread : threads)
        thread.join();
    ASSERT_NE(seen[0], nullptr);
    for (Live *each : seen)
        EXPECT_EQ(each, seen[0]);
    EXPECT_EQ(Live::instance(), seen[0]);
    EXPECT_EQ(seen[0]->thread(), QCoreApplication::instance()->thread());
    live = seen[0];
}
