#include "web/akwebpage.h"
#include "web/akwebview.h"

#include "app/globals.h"
#include "app/webaddress.h"
#include "classroomstandin.h"
#include "mainviewtest.h"
#include "tempdir.h"
#include "webtestsupport.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace webtest;

namespace {

class WebPageTest : public MainViewTest
{
protected:
    void SetUp() override { openView(QSize(800, 600)); }
    bool load(const QUrl &url)
    {
        const int before = loads->loads();
        view->load(url);
        return loads->waitForLoads(before + 1) && loads->lastOk();
    }
    QVariant js(const QString &script) { return runScript(view->ownPage(), script); }

    LogCapture log;
};

TEST_F(WebPageTest, ASelfSignedCertificateIsRefusedAndLogged)
{
    classroom::SelfSignedCertificate certificate;
    ASSERT_TRUE(certificate.create(QString::fromStdString(programDir.path().string())));
    classroom::ClassroomStandin standin;
    ASSERT_TRUE(standin.startHttps(certificate.certificateFile, certificate.keyFile));
    serverBaseUrl = standin.baseUrl();

    EXPECT_FALSE(load(standin.pageUrl()));
    ASSERT_TRUE(log.waitFor(QStringLiteral("Certificate error")));
    bool namesUrl = false;
    for (const QString &line : log.lines())
        if (line.contains(QStringLiteral("Certificate error")) &&
            line.contains(standin.pageUrl().toString()))
            namesUrl = true;
    EXPECT_TRUE(namesUrl);
    EXPECT_EQ(standin.requestCount(QStringLiteral("/static/h5/index.html")), 0);
}

TEST_F(WebPageTest, PermissionsGoToTheServersOriginOnly)
{
    classroom::ClassroomStandin server;
    classroom::ClassroomStandin elsewhere;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(elsewhere.start());
    serverBaseUrl = server.baseUrl();
    const QString ask = QStringLiteral(
        "window.permission = 'pending';"
        "Notification.requestPermission().then(function (p) { window.permission = p; });");

    ASSERT_TRUE(load(server.pageUrl()));
    js(ask);
    EXPECT_TRUE(waitUntil([&] {
        return js(QStringLiteral("window.permission")).toString() != QLatin1String("pending");
    }));
    EXPECT_EQ(js(QStringLiteral("window.permission")).toString(), QStringLiteral("granted"));

    ASSERT_TRUE(load(elsewhere.pageUrl()));
    js(ask);
    EXPECT_TRUE(waitUntil([&] {
        return js(QStringLiteral("window.permission")).toString() != QLatin1String("pending");
    }));
    EXPECT_EQ(js(QStringLiteral("window.permission")).toString(), QStringLiteral("denied"));
    EXPECT_TRUE(log.waitFor(QStringLiteral("Permission denied to ") + elsewhere.baseUrl()));
}

TEST(WebPageOrigin, OnlyTheServersSchemeHostAndPortMatch)
{
    serverBaseUrl = QStringLiteral("https://class.example.org");
    const struct
    {
        const char *origin;
        bool server;
    } cases[] = {
        {"https://class.example.org/", true},
        {"https://CLASS.example.org:443", true},
        {"http://class.example.org/", false},
        {"https://class.example.org:8443/", false},
        {"https://evil.example.org/", false},
        {"https://class.example.org.evil.net", false},
        {"qrc:///", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isServerOrigin(QUrl(QString::fromLatin1(c.origin))), c.server) << c.origin;
    serverBaseUrl = QString();
    EXPECT_FALSE(isServerOrigin(QUrl(QStringLiteral("http://localhost/"))));
}

TEST_F(WebPageTest, ConfirmAsksUnderTheProductNameAndIsTrueOnlyForYes)
{
    classroom::ClassroomStandin standin;
    ASSERT_TRUE(standin.start());
    serverBaseUrl = standin.baseUrl();
    ASSERT_TRUE(load(standin.pageUrl()));
    const struct
    {
        int answer;
        bool result;
    } cases[] = {
        {QMessageBox::Yes, true}, {QMessageBox::No, false}, {MessageBoxAnswerer::Escape, false}};
    for (const auto &c : cases) {
        MessageBoxAnswerer answers({c.answer});
        EXPECT_EQ(js(QStringLiteral("confirm('Leave the room?')")), QVariant(c.result));
        EXPECT_EQ(answers.titles().value(0), appName);
        EXPECT_EQ(answers.texts().value(0), QStringLiteral("Leave the room?"));
    }
}

} // namespace
