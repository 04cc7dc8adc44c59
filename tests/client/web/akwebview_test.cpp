#include "web/akwebpage.h"
#include "web/akwebview.h"
#include "web/savedlogin.h"

#include "app/globals.h"
#include "app/inifile.h"
#include "classroomstandin.h"
#include "mainviewtest.h"
#include "tempdir.h"
#include "webtestsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace webtest;

namespace {

// A window with one main view on the classroom stand-in, and a program folder of its own.
class WebViewTest : public MainViewTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(standin.start());
        serverBaseUrl = standin.baseUrl();
        openView(QSize(1000, 700));
    }

    void loadPage()
    {
        const int before = loads->loads();
        view->load(standin.pageUrl());
        ASSERT_TRUE(loads->waitForLoads(before + 1));
        ASSERT_TRUE(loads->lastOk());
    }
    // Scripts run in the order they were started: this one's answer means that those before
    // it have run.
    QVariant js(const QString &script) { return runScript(view->ownPage(), script); }
    QString inputValue(const char *id)
    {
        return js(QStringLiteral("document.getElementById('%1').value").arg(QLatin1String(id)))
            .toString();
    }
    void setInput(const char *id, const QString &value)
    {
        js(QStringLiteral("document.getElementById('%1').value = %2")
               .arg(QLatin1String(id),
                    QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{value})
                                          .toJson(QJsonDocument::Compact)
                                          .mid(1)
                                          .chopped(1))));
    }
    QString storedName()
    {
        return readIniValue(savedLoginFile(), QStringLiteral("Login"), QStringLiteral("name"),
                            QStringLiteral("<none>"))
            .toString();
    }
    // Waits until the save callbacks of one more URL change have run.
    void changeHashAndWaitForSave(const QString &hash)
    {
        const int saves = log.count(QStringLiteral("name "));
        js(QStringLiteral("location.hash = '%1'").arg(hash));
        ASSERT_TRUE(log.waitFor(QStringLiteral("name "), saves + 1));
        // The password callback comes right after the name's; one more round trip settles it.
        js(QStringLiteral("1"));
    }

    LogCapture log;
    classroom::ClassroomStandin standin;
};

TEST_F(WebViewTest, AfterLoadFillsTheSavedLoginHidesTheFooterAndSwitchesTheMenuOff)
{
    saveName(QStringLiteral("teacher"));
    savePassword(QStringLiteral("secret"));
    loadPage();

    EXPECT_EQ(inputValue("name"), QStringLiteral("teacher"));
    EXPECT_EQ(inputValue("password"), QStringLiteral("secret"));
    EXPECT_EQ(js(QStringLiteral("document.getElementById('footer').style.display")).toString(),
              QStringLiteral("none"));
    EXPECT_EQ(js(QStringLiteral("document.oncontextmenu && document.oncontextmenu({})")),
              QVariant(false));
    ASSERT_TRUE(log.waitFor(QStringLiteral("navigator type: Mozilla/")));
    EXPECT_EQ(window.windowTitle(), appName);
}

TEST_F(WebViewTest, LoadingThePageAgainKeepsTheSavedLogin)
{
    saveName(QStringLiteral("teacher"));
    savePassword(QStringLiteral("secret"));
    for (int i = 0; i < 3; ++i) {
        loadPage();
        EXPECT_EQ(inputValue("name"), QStringLiteral("teacher"));
        EXPECT_EQ(inputValue("password"), QStringLiteral("secret"));
    }
    EXPECT_EQ(readSavedName(), QStringLiteral("teacher"));
    EXPECT_EQ(readSavedPassword(), QStringLiteral("secret"));
}

TEST_F(WebViewTest, WithoutSavedLoginTheFormStaysEmptyAndTheRestStillRuns)
{
    loadPage();
    EXPECT_EQ(inputValue("name"), QString());
    EXPECT_EQ(inputValue("password"), QString());
    EXPECT_EQ(js(QStringLiteral("document.getElementById('footer').style.display")).toString(),
              QStringLiteral("none"));
    EXPECT_TRUE(log.waitFor(QStringLiteral("navigator type:")));
}

TEST_F(WebViewTest, AnInPageAddressChangeSavesTheFormEmptyValuesIncluded)
{
    loadPage();
    setInput("name", QStringLiteral("alice"));
    setInput("password", QStringLiteral("pa55 word"));
    changeHashAndWaitForSave(QStringLiteral("#/room"));
    EXPECT_EQ(readSavedName(), QStringLiteral("alice"));
    EXPECT_EQ(readSavedPassword(), QStringLiteral("pa55 word"));

    setInput("name", QString());
    changeHashAndWaitForSave(QStringLiteral("#/other"));
    EXPECT_EQ(storedName(), QString());
    EXPECT_EQ(readSavedPassword(), QStringLiteral("pa55 word"));
}

TEST_F(WebViewTest, AnAddressChangeOnAPageWithoutTheInputsKeepsTheSavedLogin)
{
    classroom::Response bare;
    bare.body = "<!DOCTYPE html><html><body><p>room</p></body></html>";
    standin.setResponse(QStringLiteral("/static/h5/index.html"), bare);
    saveName(QStringLiteral("kept"));
    savePassword(QStringLiteral("kept too"));
    loadPage();
    changeHashAndWaitForSave(QStringLiteral("#/x"));
    EXPECT_EQ(readSavedName(), QStringLiteral("kept"));
    EXPECT_EQ(readSavedPassword(), QStringLiteral("kept too"));
}

TEST_F(WebViewTest, AwkwardSavedValuesRoundTripThroughThePage)
{
    // Text areas keep line breaks, which an input would drop on its own.
    classroom::Response page;
    page.body = "<!DOCTYPE html><html><head><meta charset='utf-8'></head><body>"
                "<textarea id='name'></textarea><textarea id='password'></textarea>"
                "<script>window.hacked = false;</script></body></html>";
    standin.setResponse(QStringLiteral("/static/h5/index.html"), page);
    const QString values[] = {
        QStringLiteral("o'brien"),     QStringLiteral("back\\slash\\n"),
        QStringLiteral("line\nbreak"), QStringLiteral("Zürich 北京"),
        QStringLiteral("emoji 😀"),     QStringLiteral("';window.hacked=true;'"),
    };
    for (const QString &value : values) {
        SCOPED_TRACE(value.toStdString());
        saveName(value);
        savePassword(value);
        loadPage();
        EXPECT_EQ(inputValue("name"), value);
        EXPECT_EQ(inputValue("password"), value);
        EXPECT_EQ(js(QStringLiteral("window.hacked")), QVariant(false));

        // And back: what the page holds is what the ini file gets.
        const QString typed = value + QStringLiteral("!");
        setInput("name", typed);
        setInput("password", typed);
        changeHashAndWaitForSave(QStringLiteral("#/saved"));
        EXPECT_EQ(readSavedName(), typed);
        EXPECT_EQ(readSavedPassword(), typed);
    }
}

TEST_F(WebViewTest, PageResultsReachRoomLiveBeforeCheckResultIsClicked)
{
    loadPage();
    view->checkPushStreamResult(3);
    view->checkPushStreamResult(0);
    view->checkPushStreamResult(-1);
    EXPECT_EQ(js(QStringLiteral("JSON.stringify(window.standin.checkResults)")).toString(),
              QStringLiteral(R"(["3","0","-1"])"));
    EXPECT_EQ(js(QStringLiteral("document.getElementById('room_live').getAttribute('data-result')"))
                  .toString(),
              QStringLiteral("-1"));
}

TEST_F(WebViewTest, AKilledRenderProcessAsksAndYesReloads)
{
    loadPage();
    const int pageRequests = standin.requestCount(QStringLiteral("/static/h5/index.html"));
    MessageBoxAnswerer answers({QMessageBox::Yes});
    const qint64 pid = view->ownPage()->renderProcessPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return answers.answered() == 1; }, 60000));
    EXPECT_EQ(answers.titles().value(0), QStringLiteral("Render process killed"));
    EXPECT_TRUE(
        answers.texts().value(0).startsWith(QStringLiteral("Render process exited with code: ")));
    EXPECT_TRUE(
        answers.texts().value(0).endsWith(QStringLiteral("\nDo you want to reload the page ?")));
    EXPECT_TRUE(
        standin.waitForRequests(QStringLiteral("/static/h5/index.html"), pageRequests + 1, 60000));
    EXPECT_TRUE(loads->waitForLoads(2));
    EXPECT_EQ(inputValue("name"), QString());
}

TEST_F(WebViewTest, NoToTheReloadQuestionLeavesThePageAlone)
{
    loadPage();
    const int pageRequests = standin.requestCount(QStringLiteral("/static/h5/index.html"));
    MessageBoxAnswerer answers({QMessageBox::No});
    ASSERT_EQ(::kill(pid_t(view->ownPage()->renderProcessPid()), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return answers.answered() == 1; }, 60000));
    waitUntil([] { return false; }, 1500);
    EXPECT_EQ(standin.requestCount(QStringLiteral("/static/h5/index.html")), pageRequests);
}

TEST_F(WebViewTest, AViewDeletedBeforeItsReloadIsNotReloaded)
{
    loadPage();
    const int pageRequests = standin.requestCount(QStringLiteral("/static/h5/index.html"));
    // Yes, and the view is gone before the reload would start.
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || answered)
                continue;
            answered = true;
            loads.reset();
            view->deleteLater();
            view = nullptr;
            box->button(QMessageBox::Yes)->click();
            return;
        }
    });
    poll.start(20);
    ASSERT_EQ(::kill(pid_t(view->ownPage()->renderProcessPid()), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return answered; }, 60000));
    waitUntil([] { return false; }, 1000);
    EXPECT_EQ(standin.requestCount(QStringLiteral("/static/h5/index.html")), pageRequests);
}

} // namespace
