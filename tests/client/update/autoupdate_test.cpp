#include "update/autoupdate.h"

#include "archivemaker.h"
#include "classroomstandin.h"
#include "streamingserver.h"
#include "tempdir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QMetaMethod>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::listTree;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using updatetest::make7z;

namespace {

QByteArray fileBytes(const fs::path &file)
{
    return QByteArray::fromStdString(readFile(file));
}

// What one download request produced, as seen from the GUI thread.
struct Outcome
{
    bool complete = false;
    int failure = -1; // the argument of sig_updateFailed, -1 when it was not emitted
    int results = 0;  // how many result signals came
    qint64 lastReceived = -1;
    qint64 lastTotal = -1;
    QThread *resultThread = nullptr;
};

class AutoUpdateTest : public ::testing::Test
{
protected:
    TempDir program{"aulark-program"};
    const QString exePath = QString::fromStdString(program.path().string()) + "/";
    const fs::path updates = program / "updates";
    const fs::path ready = program / "updates" / "ready";
    TempDir work{"aulark-update-src"};
    classroom::ClassroomStandin server;
    QThread thread;
    // Destroyed before the thread object, after the thread has stopped.
    std::unique_ptr<AutoUpdate> worker;

    void SetUp() override
    {
        ASSERT_TRUE(startServer());
        writeFile(program / "Updater", "installed updater");
        startWorker(UpdateLimits());
    }

    // The dialog's arrangement: the worker is moved before its thread starts.
    void startWorker(const UpdateLimits &limits)
    {
        thread.quit();
        thread.wait();
        worker = std::make_unique<AutoUpdate>(nullptr, limits);
        worker->moveToThread(&thread);
        thread.start();
    }

    // Plain HTTP unless a test starts the server itself.
    virtual bool startServer() { return server.start(); }

    QString url(const QString &path) const { return server.baseUrl() + path; }

    void serveArchive(const QString &path, const QByteArray &archive)
    {
        classroom::Response response;
        response.contentType = "application/x-7z-compressed";
        response.body = archive;
        server.setResponse(path, response);
    }

    void TearDown() override
    {
        thread.quit();
        thread.wait();
    }

    // Emits the request from the GUI thread, as the dialog does, and waits for the outcome.
    Outcome download(const QString &url)
    {
        Outcome outcome;
        std::mutex lock;
        QEventLoop loop;
        auto finish = [&] { QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection); };
        // Direct connections record where each signal was emitted.
        QObject guard;
        QObject::connect(
            worker.get(), &AutoUpdate::sig_progress, &guard,
            [&](qint64 received, qint64 total) {
                std::lock_guard<std::mutex> hold(lock);
                outcome.lastReceived = received;
                outcome.lastTotal = total;
            },
            Qt::DirectConnection);
        QObject::connect(
            worker.get(), &AutoUpdate::sig_updateFailed, &guard,
            [&](int res) {
                std::lock_guard<std::mutex> hold(lock);
                outcome.failure = res;
                ++outcome.results;
                outcome.resultThread = QThread::currentThread();
                finish();
            },
            Qt::DirectConnection);
        QObject::connect(
            worker.get(), &AutoUpdate::sig_updateComplete, &guard,
            [&] {
                std::lock_guard<std::mutex> hold(lock);
                outcome.complete = true;
                ++outcome.results;
                outcome.resultThread = QThread::currentThread();
                finish();
            },
            Qt::DirectConnection);
        QTimer::singleShot(90000, &loop, &QEventLoop::quit);
        emit worker->sig_download(exePath, url);
        loop.exec();
        // Anything emitted after the first result would show up here.
        QThread::msleep(200);
        QCoreApplication::processEvents();
        std::lock_guard<std::mutex> hold(lock);
        return outcome;
    }

    QByteArray archiveOf(const fs::path &tree,
                         const std::string &methods = updatetest::kUpdateMethods)
    {
        const fs::path archive = work / "made.7z";
        fs::remove(archive);
        make7z(archive, tree, methods);
        return fileBytes(archive);
    }

    void expectInstalledUpdaterUntouched()
    {
        EXPECT_EQ(readFile(program / "Updater"), "installed updater");
    }
};

// The dialog connects to the worker by signal and slot name; these are the names it uses.
TEST(AutoUpdateInterface, OffersTheMethodsTheDialogConnectsByName)
{
    const QMetaObject &meta = AutoUpdate::staticMetaObject;
    const std::pair<const char *, QMetaMethod::MethodType> methods[] = {
        {"sig_download(QString,QString)", QMetaMethod::Signal},
        // qint64 as the meta-object system records it.
        {"sig_progress(qlonglong,qlonglong)", QMetaMethod::Signal},
        {"sig_updateFailed(int)", QMetaMethod::Signal},
        {"sig_updateComplete()", QMetaMethod::Signal},
        {"downloadZip(QString,QString)", QMetaMethod::Slot},
        {"downLoadFinish(QNetworkReply*)", QMetaMethod::Slot},
    };
    for (int i = 0; i < int(std::size(methods)); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        EXPECT_EQ(method.methodSignature().toStdString(), methods[i].first);
        EXPECT_EQ(method.methodType(), methods[i].second) << methods[i].first;
    }
    EXPECT_EQ(meta.method(meta.methodOffset() + 1).parameterNames(),
              (QList<QByteArray>{"bytesReceived", "bytesTotal"}));
}

TEST_F(AutoUpdateTest, DownloadsUnpacksAndPutsTheNewInstallerInPlace)
{
    const fs::path tree = work / "tree";
    writeFile(tree / "Updater", "#!/bin/sh\necho new updater\n");
    fs::permissions(tree / "Updater", fs::perms(0755));
    writeFile(tree / "Aulark", "new client");
    writeFile(tree / "sub" / "Updater", "not the installer");
    writeFile(tree / "data" / "same.txt", "new content");
    const QByteArray archive = archiveOf(tree);
    serveArchive("/update.7z", archive);

    const Outcome outcome = download(url("/update.7z"));

    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.results, 1);
    EXPECT_EQ(outcome.resultThread, &thread);
    EXPECT_EQ(outcome.lastReceived, archive.size());
    EXPECT_EQ(outcome.lastTotal, archive.size());
    EXPECT_FALSE(fs::exists(updates / "update.7z"));
    EXPECT_EQ(readFile(program / "Updater"), "#!/bin/sh\necho new updater\n");
    EXPECT_NE(fs::status(program / "Updater").permissions() & fs::perms::owner_exec,
              fs::perms::none);
    EXPECT_FALSE(fs::exists(ready / "Updater"));
    EXPECT_EQ(readFile(ready / "Aulark"), "new client");
    EXPECT_EQ(readFile(ready / "sub" / "Updater"), "not the installer");
    EXPECT_EQ(readFile(ready / "data" / "same.txt"), "new content");
}

// Whatever an earlier attempt left in the ready tree would be installed with the next update:
// its files, the temporaries of an unpacking that was killed, links. The tree is emptied first,
// without following links out of it.
TEST_F(AutoUpdateTest, AnUpdateAfterAFailedOneInstallsNothingOfIt)
{
    const fs::path tree = work / "tree";
    writeFile(tree / "Aulark", "new client");
    writeFile(tree / "data" / "same.txt", "new content");
    serveArchive("/update.7z", archiveOf(tree));
    const fs::path outside = work / "outside";
    writeFile(outside / "keep.txt", "not part of any update");

    struct Case
    {
        const char *name;
        std::function<void()> leaveBehind;
    };
    const Case cases[] = {
        {"files of an earlier archive",
         [&] {
             writeFile(ready / "stale.txt", "earlier attempt");
             writeFile(ready / "data" / "same.txt", "earlier content");
             writeFile(ready / "data" / "old" / "deep.txt", "earlier attempt");
         }},
        {"temporaries of a killed unpacking",
         [&] {
             writeFile(ready / ".part-Ab12Cd", "half a file");
             writeFile(ready / "data" / ".part-Ef34Gh", "half a file");
             fs::create_symlink("Aulark", ready / ".link-Ij56Kl");
         }},
        {"links out of the tree",
         [&] {
             fs::create_directories(ready);
             fs::create_directory_symlink(outside, ready / "data-link");
             fs::create_symlink(outside / "keep.txt", ready / "file-link");
         }},
        {"the tree itself a link",
         [&] {
             fs::create_directories(updates);
             fs::create_directory_symlink(outside, ready);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.leaveBehind();

        const Outcome outcome = download(url("/update.7z"));
        EXPECT_TRUE(outcome.complete);
        EXPECT_FALSE(fs::is_symlink(ready));
        EXPECT_EQ(listTree(ready), (std::vector<std::string>{"Aulark", "data", "data/same.txt"}));
        EXPECT_EQ(readFile(ready / "data" / "same.txt"), "new content");
        EXPECT_EQ(listTree(outside), std::vector<std::string>{"keep.txt"});
        EXPECT_EQ(readFile(outside / "keep.txt"), "not part of any update");
        fs::remove_all(ready);
    }
}

// A failed download writes nothing: no archive, and the update folders are not even created.
TEST_F(AutoUpdateTest, FailedDownloadsReportZeroAndWriteNothing)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = QString("http://127.0.0.1:%1/update.7z").arg(closed.serverPort());
    closed.close();
    StreamPlan cutOff;
    cutOff.pattern = QByteArray(5000, '7');
    cutOff.announcedBytes = 100000;
    StreamingServer truncating(cutOff);
    ASSERT_TRUE(truncating.isListening());
    classroom::Response serverError;
    serverError.status = 500;
    serverError.body = "oops";
    server.setResponse("/server-error", serverError);
    classroom::Response dropped;
    dropped.drop = true;
    server.setResponse("/dropped", dropped);

    const std::pair<const char *, QString> cases[] = {
        {"missing file", url("/missing.7z")},
        {"server error", url("/server-error")},
        {"connection closed before the answer", url("/dropped")},
        {"connection dropped mid-download", truncating.url()},
        {"connection refused", refused},
        {"no address", QString()},
    };
    for (const auto &[name, address] : cases) {
        SCOPED_TRACE(name);
        const Outcome outcome = download(address);
        EXPECT_EQ(outcome.failure, 0);
        EXPECT_EQ(outcome.results, 1);
        EXPECT_FALSE(fs::exists(updates));
        expectInstalledUpdaterUntouched();
    }
}

// Answers that arrive without error but hold no archive fail at the unpacking, and the stored
// body is removed again.
TEST_F(AutoUpdateTest, AnswersThatAreNoArchiveReportOne)
{
    const fs::path tree = work / "tree";
    writeFile(tree / "Updater", "new");
    serveArchive("/update.7z", archiveOf(tree));
    classroom::Response moved;
    moved.status = 302;
    moved.body = "<html>moved</html>";
    moved.headers.append({"Location", url("/update.7z").toLatin1()});
    server.setResponse("/moved", moved);
    serveArchive("/empty", {});

    for (const char *path : {"/moved", "/empty"}) {
        SCOPED_TRACE(path);
        const Outcome outcome = download(url(path));
        EXPECT_EQ(outcome.failure, 1);
        EXPECT_EQ(outcome.results, 1);
        EXPECT_EQ(server.requestCount(path), 1);
        EXPECT_EQ(server.requestCount("/update.7z"), 0); // the redirection is not followed
        EXPECT_FALSE(fs::exists(updates / "update.7z"));
        EXPECT_TRUE(fs::is_directory(ready));
        expectInstalledUpdaterUntouched();
    }
}

TEST_F(AutoUpdateTest, ArchiveThatCannotBeStoredReportsOne)
{
    const fs::path tree = work / "tree";
    writeFile(tree / "f.txt", "f");
    serveArchive("/update.7z", archiveOf(tree));
    writeFile(updates, "a file where the download folder belongs");

    const Outcome outcome = download(url("/update.7z"));
    EXPECT_EQ(outcome.failure, 1);
    EXPECT_EQ(readFile(updates), "a file where the download folder belongs");
}

// The tree's installer is moved out even when a later entry turns out damaged.
TEST_F(AutoUpdateTest, NewInstallerIsMovedAlsoWhenTheUnpackingFails)
{
    const fs::path tree = work / "tree";
    writeFile(tree / "Updater", "new updater");
    std::string big;
    for (int i = 0; i < 5000; ++i)
        big += "record " + std::to_string(i) + "\n";
    writeFile(tree / "zz.bin", big);
    archiveOf(tree, "-m0=Copy -mf=off");
    updatetest::damageAt(work / "made.7z", "record 2500");
    serveArchive("/update.7z", fileBytes(work / "made.7z"));

    const Outcome outcome = download(url("/update.7z"));
    EXPECT_EQ(outcome.failure, 1);
    EXPECT_EQ(readFile(program / "Updater"), "new updater");
    EXPECT_FALSE(fs::exists(ready / "Updater"));
    EXPECT_FALSE(fs::exists(ready / "zz.bin"));
    EXPECT_FALSE(fs::exists(updates / "update.7z"));
}

TEST_F(AutoUpdateTest, OnlyARegularFileAtTheTopReplacesTheInstaller)
{
    struct Case
    {
        const char *name;
        fs::path entry;
    };
    const Case cases[] = {
        {"in a sub-folder", fs::path("sub") / "Updater"},
        {"a folder of that name", fs::path("Updater") / "inside.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path tree = work / c.name;
        writeFile(tree / c.entry, "content");
        serveArchive("/update.7z", archiveOf(tree));

        const Outcome outcome = download(url("/update.7z"));
        EXPECT_TRUE(outcome.complete);
        EXPECT_EQ(readFile(ready / c.entry), "content");
        expectInstalledUpdaterUntouched();
        fs::remove_all(ready);
    }
}

TEST_F(AutoUpdateTest, AnAnswerPastTheSizeLimitIsRefused)
{
    const int limit = 256 * 1024;
    UpdateLimits limits;
    limits.maxArchiveBytes = limit;
    startWorker(limits);
    serveArchive("/over.7z", QByteArray(limit + 1, 'x'));
    serveArchive("/at.7z", QByteArray(limit, 'x'));
    StreamPlan endless;
    endless.pattern = QByteArray(4096, 'x');
    endless.totalBytes = 64 * qint64(limit);
    StreamingServer unannounced(endless);

    const struct
    {
        const char *name;
        QString address;
        int failure;
    } cases[] = {
        {"announced past the limit", url("/over.7z"), 0},
        {"unannounced and growing past it", unannounced.url(), 0},
        // Taken; it only is no archive.
        {"the limit itself", url("/at.7z"), 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = download(c.address);
        EXPECT_EQ(outcome.failure, c.failure);
        EXPECT_EQ(outcome.results, 1);
        // Given up early, not at the end of the answer.
        EXPECT_LT(outcome.lastReceived, 16 * qint64(limit));
        EXPECT_FALSE(fs::exists(updates / "update.7z"));
        if (c.failure == 0) {
            EXPECT_FALSE(fs::exists(updates));
        }
        expectInstalledUpdaterUntouched();
        fs::remove_all(updates);
    }
}

// A server that stops sending ends the download once it has been silent for the time-out; one
// that sends slowly but steadily is not cut off.
TEST_F(AutoUpdateTest, ASilentServerEndsTheDownloadAfterTheTimeOut)
{
    UpdateLimits limits;
    limits.transferTimeoutMs = 1000;
    startWorker(limits);
    classroom::Response silent;
    silent.delayMs = 600000;
    server.setResponse("/silent.7z", silent);
    StreamPlan stalls;
    stalls.pattern = QByteArray(4096, 'x');
    stalls.totalBytes = stalls.announcedBytes = 1024 * 1024;
    stalls.holdAfter = 128 * 1024;
    stalls.mayGoOn = [] { return false; };
    StreamingServer stalling(stalls);
    StreamPlan steady;
    steady.pattern = QByteArray(512, 'x');
    steady.totalBytes = steady.announcedBytes = 30 * 512;
    steady.blockBytes = 512;
    steady.blockIntervalMs = 100;
    StreamingServer slow(steady);

    const struct
    {
        const char *name;
        QString address;
        int failure;
        qint64 received;
    } cases[] = {
        {"no answer at all", url("/silent.7z"), 0, -1},
        {"silent after a first part", stalling.url(), 0, stalls.holdAfter},
        // Taken whole; it only is no archive.
        {"slow but steady", slow.url(), 1, steady.totalBytes},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = download(c.address);
        EXPECT_EQ(outcome.failure, c.failure);
        if (c.received >= 0) {
            EXPECT_EQ(outcome.lastReceived, c.received);
        }
        EXPECT_FALSE(fs::exists(updates / "update.7z"));
        fs::remove_all(updates);
    }
}

// VmHWM: the most memory the process has held at any time.
qint64 peakMemoryKiB()
{
    std::istringstream status(readFile("/proc/self/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    return -1;
}

// The archive is not held in memory: a download far larger than the client itself leaves the
// process's peak memory almost where it was.
TEST_F(AutoUpdateTest, ALargeDownloadKeepsThePeakMemoryLow)
{
    const qint64 size = qint64(256) * 1024 * 1024;
    StreamPlan plan;
    plan.pattern = QByteArray(1024 * 1024, 'x');
    plan.totalBytes = size;
    plan.announcedBytes = size;
    StreamingServer server(plan);

    const qint64 before = peakMemoryKiB();
    ASSERT_GT(before, 0);
    const Outcome outcome = download(server.url());
    EXPECT_EQ(outcome.lastReceived, size);
    EXPECT_EQ(outcome.failure, 1); // no archive, but all of it taken
    const qint64 grown = peakMemoryKiB() - before;
    EXPECT_LT(grown, 64 * 1024);
}

class AutoUpdateHttpsTest : public AutoUpdateTest
{
protected:
    classroom::SelfSignedCertificate certificate;

    bool startServer() override
    {
        return certificate.create(QString::fromStdString(work.path().string())) &&
               server.startHttps(certificate.certificateFile, certificate.keyFile);
    }
};

// The download keeps the default certificate checks: a server whose certificate nobody vouches
// for is refused.
TEST_F(AutoUpdateHttpsTest, UntrustedServerCertificateIsRefused)
{
    const fs::path tree = work / "tree";
    writeFile(tree / "Updater", "new");
    serveArchive("/update.7z", archiveOf(tree));

    // The server itself works for a client that accepts its certificate.
    {
        QNetworkAccessManager manager;
        QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url("/update.7z"))));
        reply->ignoreSslErrors();
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        ASSERT_EQ(reply->error(), QNetworkReply::NoError) << reply->errorString().toStdString();
        delete reply;
    }

    const Outcome outcome = download(url("/update.7z"));
    EXPECT_EQ(outcome.failure, 0);
    EXPECT_FALSE(fs::exists(updates));
    expectInstalledUpdaterUntouched();
}

} // namespace
