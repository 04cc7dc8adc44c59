#include "web/akwebpage.h"
#include "web/akwebview.h"
#include "web/jsoperation.h"
#include "web/savedlogin.h"
#include "web/sharescreenjsoperation.h"
#include "widgets/screensharewindow.h"
#include "windows/akmainwindow.h"

#include "app/globals.h"
#include "live/live.h"
#include "mainwindowfixture.h"
#include "webtestsupport.h"

#include <ilive/ilivesimulation.h>

#include <QMessageBox>
#include <QMetaMethod>
#include <QPointer>
#include <QWebChannel>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace webtest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

namespace {

using Calls = std::vector<std::string>;

bool startsWith(const std::string &text, const std::string &prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool anyStartsWith(const Calls &calls, const std::string &prefix)
{
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string &call) { return startsWith(call, prefix); });
}

// The main window on the classroom stand-in, its page connected to the web channel, over the
// simulated SDK.
class LiveBridgeTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        ilivesim::reset();
        MainWindowFixture::SetUp();
        if (!HasFatalFailure())
            loadConnectedPage();
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        ilivesim::reset();
    }

    using MainWindowFixture::js;
    QVariant js(const char *script) { return js(QString::fromUtf8(script)); }

    // Calls LiveObj from the page, as its buttons do, and waits until the call has reached the
    // client. args is a JavaScript array literal.
    void callLive(const char *method, const char *args = "[]")
    {
        const QString line = QStringLiteral("JsOperation::%1()").arg(QLatin1String(method));
        const int before = log.count(line);
        ASSERT_TRUE(js(QStringLiteral("standin.call('LiveObj', '%1', %2)")
                           .arg(QLatin1String(method), QLatin1String(args)))
                        .toBool());
        ASSERT_TRUE(log.waitFor(line, before + 1));
    }
    // Waits until the SDK owes no answer and the page has seen results results.
    void settle(int results = -1)
    {
        ASSERT_TRUE(waitUntil([&] {
            return ilivesim::pendingAnswers() == 0 &&
                   (results < 0 || pageResults().size() >= results);
        }));
        // Lets a result on its way into the page arrive, should there be one too many.
        js("1");
    }
    QStringList pageResults()
    {
        return js("window.standin.checkResults.join()")
            .toString()
            .split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    QString dataResult()
    {
        return js("document.getElementById('room_live').getAttribute('data-result')").toString();
    }
};

TEST_F(LiveBridgeTest, TheWholeLiveRoadFromThePageEndsInItsResults)
{
    callLive("Login", "['alice', 'secret-signature', 1234, 1, 1]");
    settle(2);
    // The credential reaches the SDK but never the log.
    EXPECT_EQ(log.count(QStringLiteral("secret-signature")), 0);
    EXPECT_EQ(log.count(QStringLiteral("usersig: <16 characters>")), 1);
    // Push and recording started: one result each.
    EXPECT_EQ(pageResults(), QStringList({"0", "0"}));
    EXPECT_EQ(dataResult(), QStringLiteral("0"));
    Calls calls = ilivesim::calls();
    EXPECT_THAT(calls, Contains("login(alice,secret-signature)"));
    EXPECT_THAT(calls, Contains("createRoom(1234,LiveMaster)"));
    // The screen share covers the main window.
    const QRect area = window->geometry();
    EXPECT_THAT(calls, Contains("openScreenShare(" + std::to_string(area.x()) + "," +
                                std::to_string(area.y()) + "," +
                                std::to_string(area.x() + area.width() - 1) + "," +
                                std::to_string(area.y() + area.height() - 1) + ",10)"));
    EXPECT_THAT(calls, Contains("startPushStream(1,5,4,0,1,0)"));
    EXPECT_THAT(calls, Contains("startRecordVideo(1,1234.mp4,0)"));

    ilivesim::clearCalls();
    callLive("StopPushStream");
    settle();
    EXPECT_THAT(ilivesim::calls(),
                ElementsAre("stopPushStream(1,1)", "finishRecording()", "stopRecordVideo(1)"));
    // Stopping tells the page nothing.
    EXPECT_EQ(pageResults().size(), 2);

    ilivesim::clearCalls();
    callLive("StartPushStream");
    settle(4);
    EXPECT_THAT(ilivesim::calls(),
                ElementsAre("startPushStream(1,5,4,0,1,0)", "startRecordVideo(1,1234.mp4,0)"));

    ilivesim::clearCalls();
    callLive("LogOut");
    settle(5);
    EXPECT_EQ(pageResults(), QStringList({"0", "0", "0", "0", "1"}));
    EXPECT_EQ(dataResult(), QStringLiteral("1"));
    EXPECT_THAT(ilivesim::calls(), Contains("quitRoom()"));
    EXPECT_THAT(ilivesim::calls(), Contains("logout()"));
    EXPECT_FALSE(ilivesim::loggedIn());

    // After the logout a Login initialises the SDK again.
    ilivesim::clearCalls();
    callLive("Login", "['alice', 'sig', 1234, 0, 0]");
    settle();
    EXPECT_TRUE(anyStartsWith(ilivesim::calls(), "init("));
    EXPECT_TRUE(ilivesim::inRoom());
}

struct FailureCase
{
    const char *name;
    ilivesim::Request request;
    const char *result;
};

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class LiveBridgeFailureTest : public LiveBridgeTest,
                              public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(LiveBridgeFailureTest, AFailedStepReachesThePageOnce)
{
    ilivesim::setOutcome(GetParam().request, {false, 1234, "refused"});
    callLive("Login", "['alice', 'sig', 1234, 1, 0]");
    settle(1);
    EXPECT_EQ(pageResults(), QStringList({QLatin1String(GetParam().result)}));
    EXPECT_EQ(dataResult(), QLatin1String(GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, LiveBridgeFailureTest,
    ::testing::Values(FailureCase{"Login", ilivesim::Request::Login, "2"},
                      FailureCase{"CreateRoom", ilivesim::Request::CreateRoom, "3"},
                      FailureCase{"Push", ilivesim::Request::StartPushStream, "4"}),
    [](const auto &info) { return std::string(info.param.name); });

// The page's loosely typed values as the controller gets them.
struct ConversionCase
{
    const char *name;
    const char *args;
    const char *login;
    const char *room;
    bool pushes;
    bool records;
};

void PrintTo(const ConversionCase &c, std::ostream *os)
{
    *os << c.args;
}

class LiveBridgeConversionTest : public LiveBridgeTest,
                                 public ::testing::WithParamInterface<ConversionCase>
{
};

TEST_P(LiveBridgeConversionTest, LoginConvertsWhatThePageHandsIn)
{
    const ConversionCase &c = GetParam();
    callLive("Login", c.args);
    settle();
    const Calls calls = ilivesim::calls();
    EXPECT_THAT(calls, Contains(c.login));
    EXPECT_THAT(calls, Contains(std::string("createRoom(") + c.room + ",LiveMaster)"));
    EXPECT_EQ(anyStartsWith(calls, "startPushStream("), c.pushes);
    EXPECT_EQ(anyStartsWith(calls, "startRecordVideo("), c.records);
    if (c.records) {
        EXPECT_THAT(calls, Contains(std::string("startRecordVideo(1,") + c.room + ".mp4,0)"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, LiveBridgeConversionTest,
    ::testing::Values(ConversionCase{"Booleans", "['alice', 'sig', 1234, true, false]",
                                     "login(alice,sig)", "1234", true, false},
                      ConversionCase{"RoomAsText", "['alice', 'sig', '1234', 0, 1]",
                                     "login(alice,sig)", "1234", false, true},
                      ConversionCase{"RoomNotANumber", "['alice', 'sig', 'room', 1, 1]",
                                     "login(alice,sig)", "0", true, true},
                      ConversionCase{"NumbersAsTextAndTextAsFlags", "[42, 7, -5, 'yes', '1']",
                                     "login(42,7)", "-5", false, true},
                      ConversionCase{"NullsAndMissingValues", "[null, null, null, null, null]",
                                     "login(,)", "0", false, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LiveBridgeTest, LaterPageCallsUseTheLastLogin)
{
    callLive("Login", "['alice', 'sig', 1234, 0, 0]");
    settle();
    ASSERT_TRUE(ilivesim::inRoom());

    // Nothing was wanted at login: only the log line.
    ilivesim::clearCalls();
    callLive("StartPushStream");
    settle();
    EXPECT_TRUE(ilivesim::calls().empty());

    // Whatever number the page passes, the room is the last Login's.
    callLive("CreateRoom", "[99]");
    settle();
    EXPECT_THAT(ilivesim::calls(), Contains("createRoom(1234,LiveMaster)"));
    EXPECT_THAT(ilivesim::calls(), Not(Contains("createRoom(99,LiveMaster)")));
}

// The main view may be led to another site (a link, a redirect, a script); that site sees the
// same channel and the same login form.
TEST_F(LiveBridgeTest, APageOfAnotherOriginGetsNeitherTheSavedLoginNorTheBridges)
{
    classroom::ClassroomStandin elsewhere;
    ASSERT_TRUE(elsewhere.start());
    saveName(QStringLiteral("teacher"));
    savePassword(QStringLiteral("secret"));
    const std::string savedLogin = testsupport::readFile(programDir / "config.ini");
    AKWebView *view = window->view();

    LoadWatcher loads(view);
    js(QStringLiteral("location.href = '%1'; 1").arg(elsewhere.pageUrl().toString()));
    ASSERT_TRUE(loads.waitForLoads(1));
    ASSERT_EQ(view->ownPage()->url().port(), elsewhere.port());
    ASSERT_TRUE(waitUntil([&] { return js("window.standin.channel").toBool(); }));
    EXPECT_EQ(js("document.getElementById('name').value").toString(), QString());
    EXPECT_EQ(js("document.getElementById('password').value").toString(), QString());

    js("document.getElementById('name').value = 'mallory';"
       "document.getElementById('password').value = 'typed'; 1");
    int changes = 0;
    QObject::connect(view, &QWebEngineView::urlChanged, [&] { ++changes; });
    js("location.hash = '#/next'; 1");
    ASSERT_TRUE(waitUntil([&] { return changes > 0; }));
    // Scripts of that change, and their callbacks, would have come before this answer.
    js("1");
    EXPECT_EQ(testsupport::readFile(programDir / "config.ini"), savedLogin);

    ScreenShareWindow *bar = window->findChild<ShareScreenJSOperation *>()->shareWindow();
    const std::pair<const char *, const char *> calls[] = {
        {"LiveObj.Login", "['mallory', 'sig', 1234, 1, 1]"},
        {"LiveObj.CreateRoom", "[1234]"},
        {"LiveObj.StartPushStream", "[]"},
        {"ScreenShareObj.StartScreenShare", "[]"},
    };
    for (const auto &[call, args] : calls) {
        SCOPED_TRACE(call);
        const QStringList name = QString::fromLatin1(call).split(QLatin1Char('.'));
        ASSERT_TRUE(js(QStringLiteral("standin.call('%1', '%2', %3)")
                           .arg(name[0], name[1], QLatin1String(args)))
                        .toBool());
        const QString refusal = QStringLiteral("%1 refused for a page of another origin: %2")
                                    .arg(QLatin1String(call), elsewhere.baseUrl());
        ASSERT_TRUE(log.waitFor(refusal));
        js("1");
        EXPECT_EQ(log.count(refusal), 1);
    }
    EXPECT_TRUE(ilivesim::calls().empty());
    EXPECT_EQ(log.count(QStringLiteral("JsOperation::")), 0);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(window->isMinimized());
}

TEST_F(LiveBridgeTest, ThePageCannotDeleteTheBridge)
{
    QPointer<QObject> bridge = window->view()->channel()->registeredObjects().value("LiveObj");
    ASSERT_TRUE(bridge);
    js("LiveObj.deleteLater()");
    callLive("LogOut");
    settle();
    EXPECT_TRUE(bridge);
}

// How the main view goes: through the close question, or with the window.
enum class Ending
{
    CloseQuestion,
    WindowDestroyed,
};

void PrintTo(Ending ending, std::ostream *os)
{
    *os << (ending == Ending::CloseQuestion ? "close question" : "window destroyed");
}

class LiveBridgeEndingTest : public LiveBridgeTest, public ::testing::WithParamInterface<Ending>
{
};

TEST_P(LiveBridgeEndingTest, TheMainViewTakesTheBridgeAndTheControllerAndNoAnswerComesAfter)
{
    callLive("Login", "['alice', 'sig', 1234, 1, 1]");
    settle(2);
    QPointer<QObject> bridge = window->view()->channel()->registeredObjects().value("LiveObj");
    QPointer<QObject> controller = Live::instance();
    ASSERT_TRUE(bridge);
    ASSERT_TRUE(controller);

    ilivesim::clearCalls();
    const int linesBefore = log.lines().size();
    if (GetParam() == Ending::CloseQuestion) {
        MessageBoxAnswerer answers({QMessageBox::Yes});
        ASSERT_TRUE(window->close());
        EXPECT_EQ(window->view(), nullptr);
    } else {
        window.reset();
    }
    EXPECT_FALSE(bridge);
    EXPECT_FALSE(controller);
    // The room was left on the way out...
    EXPECT_THAT(ilivesim::calls(), ElementsAre("closeScreenShare()", "closeMic()", "closePlayer()",
                                               "finishRecording()", "stopRecordVideo(1)",
                                               "stopPushStream(1,1)", "quitRoom()"));
    // ...and the SDK's answers to that reach nothing: no logout follows the quit, no line.
    ASSERT_TRUE(waitUntil([] { return ilivesim::pendingAnswers() == 0; }));
    waitUntil([] { return false; }, 300);
    EXPECT_THAT(ilivesim::calls(), Not(Contains("logout()")));
    const QStringList after = log.lines().mid(linesBefore);
    for (const char *line : {"Stop Push Stream Success", "Stop Record Success", "Quit Room Success",
                             "Live LogOut Success"})
        EXPECT_FALSE(after.contains(QLatin1String(line))) << line;
    EXPECT_TRUE(after.contains(QStringLiteral("DestroyLiveSdk()")));
}

INSTANTIATE_TEST_SUITE_P(Endings, LiveBridgeEndingTest,
                         ::testing::Values(Ending::CloseQuestion, Ending::WindowDestroyed),
                         [](const auto &info) {
                             return info.param == Ending::CloseQuestion ? "CloseQuestion"
                                                                        : "WindowDestroyed";
                         });

// What the page finds on the channel: five methods by these names, nothing else of its own.
TEST(JsOperationTest, OffersThePageFiveMethodsAndNoSignalsOrProperties)
{
    ilivesim::reset();
    JsOperation bridge(nullptr, nullptr);
    const QMetaObject *meta = bridge.metaObject();
    EXPECT_STREQ(meta->className(), "JsOperation");
    QStringList methods;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        EXPECT_EQ(method.methodType(), QMetaMethod::Method) << method.methodSignature().data();
        EXPECT_EQ(method.access(), QMetaMethod::Public);
        QStringList names;
        for (const QByteArray &name : method.parameterNames())
            names << QString::fromLatin1(name);
        methods << QString::fromLatin1(method.methodSignature()) + QLatin1Char(' ') +
                       names.join(QLatin1Char(','));
    }
    EXPECT_EQ(methods, QStringList({"Login(QVariant,QVariant,QVariant,QVariant,QVariant) "
                                    "userid,usersig,roomnum,bpush,brecord",
                                    "LogOut() ", "CreateRoom(int) roomnum", "StartPushStream() ",
                                    "StopPushStream() "}));
    EXPECT_EQ(meta->propertyCount(), meta->propertyOffset());
    EXPECT_EQ(bridge.parent(), nullptr);
}

} // namespace
