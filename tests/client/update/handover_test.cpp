// The built client, started from a program folder as a user starts it, against the classroom
// stand-in that offers an update.
#include "archivemaker.h"
#include "classroomstandin.h"
#include "clientprocess.h"
#include "programnames.h"
#include "tempdir.h"
#include "updatefolders.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using testsupport::ProgramFolder;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

using Client = testsupport::ClientProcess;

// What the recorder standing in for the installer was started with: each argument followed by
// a NUL; empty when it did not run within the time.
std::string installerArguments(const ProgramFolder &folder)
{
    QElapsedTimer timer;
    timer.start();
    while (!fs::exists(folder / "installer-args") && timer.elapsed() < 30000)
        QThread::msleep(50);
    return readFile(folder / "installer-args");
}

void expectOnlyStandardStreamsInherited(const ProgramFolder &folder)
{
    const std::string fds = readFile(folder / "installer-fds");
    std::set<int> numbers;
    std::istringstream lines(fds);
    for (std::string line; std::getline(lines, line);)
        numbers.insert(std::stoi(line));
    EXPECT_EQ(numbers, (std::set<int>{0, 1, 2})) << fds;
}

// The client that the recorder became when it started it again (no child of the test), ended
// when the test ends.
struct RestartedClient
{
    pid_t pid = 0;
    ~RestartedClient()
    {
        if (pid <= 0 || kill(pid, SIGTERM) != 0)
            return;
        QElapsedTimer timer;
        timer.start();
        while (kill(pid, 0) == 0 && timer.elapsed() < 30000)
            QThread::msleep(50);
        kill(pid, SIGKILL);
    }
};

class HandOver : public ::testing::Test
{
protected:
    ProgramFolder folder;
    TempDir work{"aulark-update-src"};
    classroom::ClassroomStandin server;

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        folder.linkFromBuild(programnames::kClient);
        writeFile(folder / "aularkhome.txt", server.baseUrl().toStdString() + "\n");
        // The installed installer; the update brings the recorder as its new one.
        writeFile(folder / programnames::kUpdater,
                  "#!/bin/sh\ntouch \"$(dirname \"$0\")/old-installer-ran\"\n");
        fs::permissions(folder / programnames::kUpdater, fs::perms(0755));
    }

    void offerUpdate(const QString &archivePath)
    {
        server.setResponse(
            "/ClientAPI/getversion",
            classroom::Response::json(QStringLiteral(R"({"result":0,"update":"%1%2",)"
                                                     R"("install":"https://example.invalid/"})")
                                          .arg(server.baseUrl(), archivePath)
                                          .toUtf8()));
    }

    void serveUpdateWithRecorder()
    {
        const fs::path tree = work / "tree";
        fs::remove_all(tree);
        fs::remove(work / "update.7z");
        writeFile(tree / "readme.txt", "new version");
        fs::copy_file(INSTALLER_RECORDER, tree / programnames::kUpdater);
        updatetest::make7z(work / "update.7z", tree);
        classroom::Response archive;
        archive.contentType = "application/x-7z-compressed";
        archive.body = QByteArray::fromStdString(readFile(work / "update.7z"));
        server.setResponse("/update.7z", archive);
        offerUpdate("/update.7z");
    }
};

// The client's arguments and the one argument the installer is to get for them.
const std::pair<QStringList, std::string> kClientArguments[] = {
    {{}, "davadazeda://start/?"},
    {{QStringLiteral("davadazeda://start/?classurl=a=1&b=2 名 \"q\"")},
     "davadazeda://start/?classurl=a=1&b=2 名 \"q\""},
};

TEST_F(HandOver, StartsTheNewInstallerWithTheClientsArgumentAndEnds)
{
    for (const auto &[arguments, expected] : kClientArguments) {
        SCOPED_TRACE(expected);
        serveUpdateWithRecorder();
        fs::remove(folder / "installer-args");

        Client client(folder, arguments);
        EXPECT_EQ(client.waitForExit(), 0) << readFile(folder / "aulark.log");

        // Exactly one argument, as it was given.
        EXPECT_EQ(installerArguments(folder), expected + '\0');
        EXPECT_FALSE(fs::exists(folder / "old-installer-ran"));
        // Only the standard streams reach the installer: no lock, log or socket of the client.
        expectOnlyStandardStreamsInherited(folder);

        // The tree stays for the installer; the archive and the tree's installer do not.
        EXPECT_EQ(readFile(folder / "updates" / "ready" / "readme.txt"), "new version");
        EXPECT_FALSE(fs::exists(folder / "updates" / "update.7z"));
        EXPECT_FALSE(fs::exists(folder / "updates" / "ready" / programnames::kUpdater));
        fs::remove_all(folder / "updates");
    }
}

// A journal in the update folder means an install was cut short: the client hands the folder to
// the installer at once, as after a download, instead of running what may be a mix of versions.
TEST_F(HandOver, AnInterruptedInstallIsHandedOverAtStart)
{
    fs::copy_file(INSTALLER_RECORDER, folder / programnames::kUpdater,
                  fs::copy_options::overwrite_existing);
    writeFile(folder / updatefolders::kJournal, "recorded by the installer");
    for (const auto &[arguments, expected] : kClientArguments) {
        SCOPED_TRACE(expected);
        fs::remove(folder / "installer-args");
        fs::remove(folder / "aulark.log");

        Client client(folder, arguments);
        EXPECT_EQ(client.waitForExit(), 0) << readFile(folder / "aulark.log");

        EXPECT_EQ(installerArguments(folder), expected + '\0');
        expectOnlyStandardStreamsInherited(folder);

        // Before the start proper: no start banner, no version check; the journal is the
        // installer's to remove.
        const std::string log = readFile(folder / "aulark.log");
        EXPECT_NE(log.find("an interrupted install was found"), std::string::npos) << log;
        EXPECT_EQ(log.find("Aulark Start"), std::string::npos) << log;
        EXPECT_EQ(server.requestCount("/ClientAPI/getversion"), 0);
        EXPECT_EQ(readFile(folder / updatefolders::kJournal), "recorded by the installer");
    }
}

// An installer that can neither finish nor undo the recorded install leaves the journal and
// starts the client again: that client must not hand over once more, or the two programs would
// start each other for ever.
TEST_F(HandOver, AnInterruptedInstallIsHandedOverOnlyOnce)
{
    fs::copy_file(INSTALLER_RECORDER, folder / programnames::kUpdater,
                  fs::copy_options::overwrite_existing);
    writeFile(folder / updatefolders::kJournal, "recorded by the installer");
    writeFile(folder / "restart-client", "");

    RestartedClient restarted;
    Client client(folder, {});
    EXPECT_EQ(client.waitForExit(), 0) << readFile(folder / "aulark.log");
    EXPECT_EQ(installerArguments(folder), std::string("davadazeda://start/?") + '\0');
    QElapsedTimer timer;
    timer.start();
    while (!fs::exists(folder / "installer-pid") && timer.elapsed() < 30000)
        QThread::msleep(50);
    restarted.pid = std::atoi(readFile(folder / "installer-pid").c_str());
    ASSERT_GT(restarted.pid, 0);

    // The client started again gets as far as its class page, and stays.
    const std::string warning = "the installer left an interrupted install behind";
    while (readFile(folder / "aulark.log").find(warning) == std::string::npos &&
           timer.elapsed() < 90000)
        QThread::msleep(50);
    ASSERT_TRUE(server.waitForRequests("/ClientAPI/getversion", 1, 90000))
        << readFile(folder / "aulark.log");
    EXPECT_EQ(kill(restarted.pid, 0), 0);
    EXPECT_EQ(readFile(folder / "installer-runs"), "run\n");
}

TEST_F(HandOver, AFailedUpdateLeavesTheClientRunning)
{
    offerUpdate("/missing.7z");
    Client client(folder, {});
    ASSERT_TRUE(server.waitForRequests("/missing.7z", 1, 90000));
    // Time for a wrongly taken hand-over (which sleeps a second first) to end the client.
    QThread::msleep(4000);
    EXPECT_TRUE(client.running());
    EXPECT_FALSE(fs::exists(folder / "old-installer-ran"));
}

} // namespace
