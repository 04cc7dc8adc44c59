#include "update/liveupdate.h"

#include "app/globals.h"
#include "archivemaker.h"
#include "classroomstandin.h"
#include "programnames.h"
#include "tempdir.h"
#include "webtestsupport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSslConfiguration>
#include <QStringList>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using webtest::waitUntil;

namespace {

const QString checkingText = QStringLiteral("正在启动更新程序...");
const QString downloadingText = QStringLiteral("正在下载更新中，请稍侯....");
const QString unpackingText = QStringLiteral("正在解压，请稍候....");
const QString downloadFailedText = QStringLiteral("升级失败，请点超级连接安装软件:");
const QString unpackFailedText = QStringLiteral("解压失败，请点超级连接来下载软件：");

// Records the addresses that the client asks the desktop to open, instead of opening them.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder()
    {
        for (const char *scheme : {"http", "https", "file", "ftp", "javascript", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlRecorder() override
    {
        for (const char *scheme : {"http", "https", "file", "ftp", "javascript", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

// Moves the mouse across the label until a link is under it, then clicks there, as a user
// would. The link's address as the label reports it, or a null text when the label has none.
QString clickLink(QLabel &label)
{
    QString hovered;
    const auto connection = QObject::connect(&label, &QLabel::linkHovered,
                                             [&](const QString &link) { hovered = link; });
    QPoint at;
    for (int y = 1; y < label.height() && hovered.isEmpty(); y += 2) {
        for (int x = 1; x < label.width() && hovered.isEmpty(); x += 2) {
            at = QPoint(x, y);
            QMouseEvent move(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&label, &move);
        }
    }
    QObject::disconnect(connection);
    if (hovered.isEmpty())
        return QString();
    QMouseEvent press(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&label, &release);
    return hovered;
}

// The texts a label had whenever it was painted.
class PaintedTexts : public QObject
{
public:
    explicit PaintedTexts(QLabel &label) : label(label) { label.installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &label && event->type() == QEvent::Paint)
            texts << label.text();
        return false;
    }
    QLabel &label;
    QStringList texts;
};

class LiveUpdateTest : public ::testing::Test
{
protected:
    TempDir program{"aulark-program"};
    TempDir work{"aulark-update-src"};
    classroom::ClassroomStandin server;
    classroom::SelfSignedCertificate certificate;
    const QSslConfiguration defaultTls = QSslConfiguration::defaultConfiguration();
    std::unique_ptr<LiveUpdate> dialog;

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        serverBaseUrl = server.baseUrl();
        appDir = QString::fromStdString(program.path().string()) + "/";
    }

    void TearDown() override
    {
        dialog.reset();
        appDir.clear();
        QSslConfiguration::setDefaultConfiguration(defaultTls);
    }

    void offerUpdate(const QByteArray &answer)
    {
        server.setResponse("/ClientAPI/getversion", classroom::Response::json(answer));
    }
    // An answer that announces the archive at path and the installer at install.
    QByteArray updateAnswer(const QString &path, const QString &install = QString())
    {
        const QJsonObject answer{
            {"result", 0}, {"update", server.baseUrl() + path}, {"install", install}};
        return QJsonDocument(answer).toJson();
    }
    void serve(const QString &path, const QByteArray &body, int delayMs = 0)
    {
        classroom::Response response;
        response.contentType = "application/x-7z-compressed";
        response.body = body;
        response.delayMs = delayMs;
        server.setResponse(path, response);
    }

    // Offers an update whose archive holds "readme.txt" with "new version".
    void offerArchiveWithReadme()
    {
        const fs::path tree = work / "tree";
        writeFile(tree / "readme.txt", "new version");
        updatetest::make7z(work / "update.7z", tree);
        serve("/update.7z", QByteArray::fromStdString(readFile(work / "update.7z")));
        offerUpdate(updateAnswer("/update.7z"));
    }

    LiveUpdate &start(const UpdateLimits &limits = UpdateLimits())
    {
        dialog =
            std::make_unique<LiveUpdate>(QStringLiteral("davadazeda://start/?"), nullptr, limits);
        dialog->show();
        return *dialog;
    }
    // A classroom stand-in on HTTPS with a self-signed certificate, which nothing trusts unless
    // the test trusts it.
    bool startSecure(classroom::ClassroomStandin &secure)
    {
        return certificate.create(QString::fromStdString(work.path().string())) &&
               secure.startHttps(certificate.certificateFile, certificate.keyFile);
    }
    // Makes the certificate a trusted authority of this process, as a test CA in the system
    // store would be.
    void trustCertificate()
    {
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        ASSERT_TRUE(trusting.addCaCertificates(certificate.certificateFile));
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    bool networkErrorShown()
    {
        return status().text().startsWith(QStringLiteral("请检查您的网络"));
    }

    QLabel &status() { return *dialog->findChild<QLabel *>("statusLabel"); }
    QLabel &link() { return *dialog->findChild<QLabel *>("linkLabel"); }
    QProgressBar &bar() { return *dialog->findChild<QProgressBar *>("progressBar"); }
    bool statusIs(const QString &text) { return status().text() == text; }
    bool closeButtonOffered() { return dialog->windowFlags() & Qt::WindowCloseButtonHint; }
};

TEST_F(LiveUpdateTest, AsksTheServerAndHidesWhenThereIsNoUpdate)
{
    // Answers that mean "nothing newer", or that cannot be used.
    const std::pair<const char *, QByteArray> cases[] = {
        {"the stand-in's own answer", QByteArray()},
        {"a result other than 0", R"({"result":7,"update":"/update.7z"})"},
        {"an empty body", "<empty>"},
        {"no JSON", "<html>maintenance</html>"},
    };
    for (const auto &[name, answer] : cases) {
        SCOPED_TRACE(name);
        server.clearRequests();
        if (answer == "<empty>")
            offerUpdate(QByteArray());
        else if (!answer.isEmpty())
            offerUpdate(answer);

        LiveUpdate &d = start();
        EXPECT_EQ(d.windowTitle(), QStringLiteral("更新"));
        EXPECT_EQ(status().text(), checkingText);
        EXPECT_EQ(status().geometry(), QRect(0, 0, 460, 120));
        EXPECT_EQ(d.size(), QSize(460, 120));
        EXPECT_FALSE(closeButtonOffered());
        EXPECT_FALSE(bar().isVisible());
        EXPECT_FALSE(link().isVisible());

        ASSERT_TRUE(waitUntil([&] { return !d.isVisible(); }));
        const auto requests = server.requests("/ClientAPI/getversion");
        ASSERT_EQ(requests.size(), 1);
        const classroom::RecordedRequest &request = requests.first();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.body, "version=2019121900&type=1");
        EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(request.header("Content-Length"), "25");
        // No archive is asked for.
        EXPECT_EQ(server.requests().size(), 1);
    }
}

TEST_F(LiveUpdateTest, NetworkErrorOffersRefreshWhichChecksAgain)
{
    classroom::Response dropped;
    dropped.drop = true;
    server.setResponse("/ClientAPI/getversion", dropped);
    webtest::LogCapture log;

    LiveUpdate &d = start();
    ASSERT_TRUE(waitUntil([&] { return status().text() != checkingText; }));
    EXPECT_EQ(status().text(), QStringLiteral("请检查您的网络， <a style='color: green;' "
                                              "href =refresh >刷新</a> "));
    EXPECT_TRUE(closeButtonOffered());
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(log.waitFor("getversion error = RemoteHostClosedError"));

    // Only the exact address "refresh" checks again. (The network layer may have sent the
    // dropped request twice.)
    server.clearResponse("/ClientAPI/getversion");
    const int before = server.requestCount("/ClientAPI/getversion");
    d.linkClicked(QStringLiteral("Refresh"));
    QTest::qWait(500);
    EXPECT_EQ(server.requestCount("/ClientAPI/getversion"), before);

    EXPECT_EQ(clickLink(status()), QStringLiteral("refresh"));
    EXPECT_EQ(status().text(), checkingText);
    ASSERT_TRUE(server.waitForRequests("/ClientAPI/getversion", before + 1, 30000));
    EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); }));
}

TEST_F(LiveUpdateTest, UpdateAnswerShowsTheDownloadAndItsOutcome)
{
    // The archive is held back, so that the download state can be seen.
    serve("/update.7z", "not an archive at all", 1500);
    offerUpdate(updateAnswer("/update.7z", "https://example.invalid/setup.exe?a=1&b=2"));

    LiveUpdate &d = start();
    ASSERT_TRUE(waitUntil([&] { return statusIs(downloadingText); }));
    EXPECT_TRUE(bar().isVisible());
    EXPECT_TRUE(link().isVisible());
    EXPECT_TRUE(bar().isTextVisible());
    EXPECT_EQ(bar().geometry(), QRect(25, 20, 410, 35));
    EXPECT_EQ(status().geometry(), QRect(25, 73, 350, 40));
    EXPECT_EQ(link().geometry(), QRect(365, 80, 70, 24));
    EXPECT_EQ(status().alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(link().alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(closeButtonOffered());

    ASSERT_TRUE(server.waitForRequests("/update.7z", 1, 30000));
    ASSERT_TRUE(waitUntil([&] { return statusIs(unpackFailedText); }, 60000))
        << status().text().toStdString();
    const int size = int(qstrlen("not an archive at all"));
    EXPECT_EQ(bar().maximum(), size);
    EXPECT_EQ(bar().value(), size);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(link().isVisible());
}

TEST_F(LiveUpdateTest, FailuresOnlyChangeTheText)
{
    serve("/garbage.7z", "<html>not here</html>");
    struct Case
    {
        const char *name;
        QByteArray answer;
        QString text;
    };
    const Case cases[] = {
        {"a missing archive", updateAnswer("/missing.7z"), downloadFailedText},
        {"no archive", updateAnswer("/garbage.7z"), unpackFailedText},
        // No "result" counts as 0; without an "update" address the download fails.
        {"an object without result", R"({"install":""})", downloadFailedText},
        {"a non-numeric result", R"({"result":"soon"})", downloadFailedText},
        {"an array", "[0]", downloadFailedText},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        offerUpdate(c.answer);
        LiveUpdate &d = start();
        ASSERT_TRUE(waitUntil([&] { return statusIs(c.text); }, 60000))
            << status().text().toStdString();
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(bar().isVisible());
        EXPECT_FALSE(fs::exists(program / "updates" / "update.7z"));
    }
}

// The answer decides which program is run as the user: it counts only from a server whose
// certificate checks out.
TEST_F(LiveUpdateTest, TheVersionCheckTrustsOnlyACertificateThatChecksOut)
{
    classroom::ClassroomStandin secure;
    ASSERT_TRUE(startSecure(secure));
    serverBaseUrl = secure.baseUrl();
    const QJsonObject answer{{"result", 0}, {"update", secure.baseUrl() + "/update.7z"}};
    secure.setResponse("/ClientAPI/getversion",
                       classroom::Response::json(QJsonDocument(answer).toJson()));
    secure.setResponse("/update.7z", classroom::Response::json("not an archive"));
    webtest::LogCapture log;

    start();
    ASSERT_TRUE(waitUntil([&] { return !statusIs(checkingText); }));
    EXPECT_TRUE(networkErrorShown()) << status().text().toStdString();
    EXPECT_TRUE(log.waitFor(QStringLiteral("getversion error = SslHandshakeFailedError")));
    EXPECT_FALSE(bar().isVisible());
    EXPECT_TRUE(secure.requests().isEmpty());
    dialog.reset();

    trustCertificate();
    start();
    ASSERT_TRUE(waitUntil([&] { return statusIs(unpackFailedText); }, 60000))
        << status().text().toStdString();
    EXPECT_EQ(secure.requestCount("/ClientAPI/getversion"), 1);
    EXPECT_EQ(secure.requestCount("/update.7z"), 1);
}

// The archive comes from the classroom server itself or over https, from nowhere else.
TEST_F(LiveUpdateTest, TheArchiveIsTakenOnlyFromTheServerOrOverHttps)
{
    classroom::ClassroomStandin elsewhere;
    ASSERT_TRUE(elsewhere.start());
    classroom::ClassroomStandin secure;
    ASSERT_TRUE(startSecure(secure));
    trustCertificate();
    for (classroom::ClassroomStandin *s : {&server, &elsewhere, &secure})
        s->setResponse("/update.7z", classroom::Response::json("not an archive"));
    const QString port = QString::number(elsewhere.port());
    webtest::LogCapture log;

    const struct
    {
        const char *name;
        QString address;
        classroom::ClassroomStandin *reached;
    } cases[] = {
        {"http on another port", "http://127.0.0.1:" + port + "/update.7z", nullptr},
        {"http on another host", "http://localhost:" + port + "/update.7z", nullptr},
        {"another scheme", "ftp://127.0.0.1:" + port + "/update.7z", nullptr},
        {"a local file", "file:///etc/passwd", nullptr},
        {"the server itself", server.baseUrl() + "/update.7z", &server},
        {"https elsewhere", secure.baseUrl() + "/update.7z", &secure},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (classroom::ClassroomStandin *s : {&server, &elsewhere, &secure})
            s->clearRequests();
        offerUpdate(QJsonDocument(QJsonObject{{"result", 0}, {"update", c.address}}).toJson());
        start();
        const QString text = c.reached ? unpackFailedText : downloadFailedText;
        ASSERT_TRUE(waitUntil([&] { return statusIs(text); }, 60000))
            << status().text().toStdString();
        EXPECT_EQ(log.count(QStringLiteral("update address refused: ") + c.address),
                  c.reached ? 0 : 1);
        EXPECT_TRUE(elsewhere.requests().isEmpty());
        if (c.reached) {
            EXPECT_EQ(c.reached->requestCount("/update.7z"), 1);
        }
        dialog.reset();
    }
}

TEST_F(LiveUpdateTest, ASilentServerEndsTheCheckAndTheDownloadAfterTheTimeOut)
{
    UpdateLimits limits;
    limits.transferTimeoutMs = 1000;
    classroom::Response silent;
    silent.delayMs = 600000;
    webtest::LogCapture log;

    server.setResponse("/ClientAPI/getversion", silent);
    start(limits);
    ASSERT_TRUE(waitUntil([&] { return networkErrorShown(); }, 60000))
        << status().text().toStdString();
    EXPECT_TRUE(log.waitFor(QStringLiteral("getversion error = OperationCanceledError")));
    dialog.reset();

    server.setResponse("/update.7z", silent);
    offerUpdate(updateAnswer("/update.7z"));
    start(limits);
    ASSERT_TRUE(server.waitForRequests("/update.7z", 1, 30000));
    ASSERT_TRUE(waitUntil([&] { return statusIs(downloadFailedText); }, 60000))
        << status().text().toStdString();
}

TEST_F(LiveUpdateTest, ProgressIsCutTo32BitsButCompletionUsesTheWholeValues)
{
    server.setResponse("/ClientAPI/getversion", classroom::Response::json(R"({"result":1})"));
    LiveUpdate &d = start();
    const qint64 big = (qint64(1) << 32) + 7;
    struct Case
    {
        qint64 received, total;
        int value, maximum;
        bool unpacking;
    };
    const Case cases[] = {
        {5, 10, 5, 10, false},
        {0, 0, 0, 0, true},
        {7, big, 7, 7, false},
        {big, big, 7, 7, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.received);
        status().setText(downloadingText);
        d.downloadProgress(c.received, c.total);
        EXPECT_EQ(bar().maximum(), c.maximum);
        EXPECT_EQ(bar().value(), c.value);
        EXPECT_EQ(status().text(), c.unpacking ? unpackingText : downloadingText);
    }
}

TEST_F(LiveUpdateTest, OnlyAWebAddressIsOfferedAndOpenedAsTheInstallerLink)
{
    UrlRecorder recorder;
    const QString address = QStringLiteral("https://example.invalid/setup.exe?a=1&b=2");
    serve("/update.7z", "x", 60000);
    offerUpdate(updateAnswer("/update.7z", address));
    start();
    ASSERT_TRUE(waitUntil([&] { return statusIs(downloadingText); }));
    EXPECT_TRUE(link().text().contains(QStringLiteral(">安装包下载</a>")));
    EXPECT_EQ(clickLink(link()), address);
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first(), QUrl(address));
    dialog.reset();

    // Addresses that must neither become markup nor be opened.
    const char *hostile[] = {
        "file:///bin/sh",
        "javascript:alert(1)",
        "x onclick=alert(1) ><b>bold</b><a href=file:///etc/passwd>",
        "http://a b/<b>",
        "",
    };
    for (const char *install : hostile) {
        SCOPED_TRACE(install);
        recorder.opened.clear();
        offerUpdate(updateAnswer("/update.7z", QString::fromUtf8(install)));
        start();
        ASSERT_TRUE(waitUntil([&] { return statusIs(downloadingText); }));
        EXPECT_TRUE(link().text().isEmpty()) << link().text().toStdString();
        EXPECT_TRUE(clickLink(link()).isNull());
        dialog->linkClicked(QString::fromUtf8(install));
        EXPECT_TRUE(recorder.opened.isEmpty());
        dialog.reset();
    }
}

TEST_F(LiveUpdateTest, ClosingAsksAndAClosedDialogStillGetsTheOutcome)
{
    serve("/update.7z", "not an archive", 2000);
    offerUpdate(updateAnswer("/update.7z"));
    LiveUpdate &d = start();
    ASSERT_TRUE(waitUntil([&] { return statusIs(downloadingText); }));

    webtest::MessageBoxAnswerer answers({QMessageBox::No, QMessageBox::Yes});
    d.close();
    EXPECT_TRUE(d.isVisible());
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(answers.titles(), QStringList({"退出更新", "退出更新"}));
    EXPECT_EQ(answers.texts(), QStringList({"是否退出更新?", "是否退出更新?"}));

    // The worker goes on; its result still reaches the hidden dialog.
    EXPECT_TRUE(waitUntil([&] { return statusIs(unpackFailedText); }, 60000));
}

TEST_F(LiveUpdateTest, DestroyedDuringADownloadStopsItsThread)
{
    serve("/update.7z", "x", 120000);
    offerUpdate(updateAnswer("/update.7z"));
    LiveUpdate &d = start();
    ASSERT_TRUE(server.waitForRequests("/update.7z", 1, 30000));
    EXPECT_TRUE(d.isVisible());
    // A thread destroyed while it runs aborts the process; a stop that waited for the held-back
    // archive would run into the test's time-out.
    dialog.reset();
    SUCCEED();
}

// Without an installer to start, ending the client would leave the user with none at all.
TEST_F(LiveUpdateTest, AnInstallerThatCannotBeStartedLeavesTheClientRunning)
{
    offerArchiveWithReadme();
    webtest::LogCapture log;

    const std::pair<const char *, bool> cases[] = {{"missing", false}, {"not executable", true}};
    for (const auto &[name, present] : cases) {
        SCOPED_TRACE(name);
        if (present)
            writeFile(program / programnames::kUpdater, "no program");
        start();
        ASSERT_TRUE(waitUntil([&] { return statusIs(downloadFailedText); }, 60000))
            << status().text().toStdString();
        EXPECT_EQ(readFile(program / "updates" / "ready" / "readme.txt"), "new version");
        EXPECT_TRUE(log.waitFor("the installer could not be started"));
        dialog.reset();
    }
}

// The dialog pauses before it hands over; the user is to see the completion during that pause.
TEST_F(LiveUpdateTest, TheCompletionIsOnTheScreenDuringThePauseBeforeTheHandOver)
{
    offerArchiveWithReadme();
    // Without an installer the dialog stays, so its texts can be followed to the end.
    start();
    PaintedTexts painted(status());
    ASSERT_TRUE(waitUntil([&] { return statusIs(downloadFailedText); }, 60000))
        << status().text().toStdString();
    EXPECT_TRUE(painted.texts.contains(QStringLiteral("更新完成")))
        << painted.texts.join(" | ").toStdString();
}

} // namespace

#include "liveupdate_test.moc"
