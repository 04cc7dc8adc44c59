#include "classroomstandin.h"
#include "clientprocess.h"
#include "programnames.h"
#include "tempdir.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QStandardPaths>
#include <QString>
#include <QTcpServer>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using testsupport::ProgramFolder;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// The built client started as a user starts it: from its program folder, with a class link.
class Client : public testsupport::ClientProcess
{
public:
    Client(const ProgramFolder &folder, const QString &link,
           const QProcessEnvironment &extra = QProcessEnvironment())
        : ClientProcess(folder, {link}, extra)
    {
    }
};

// Waits (generously: the machine is shared) until the log holds `count` lines containing text.
bool waitForLog(const fs::path &log, const std::string &text, int count = 1)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 90000) {
        const std::string content = readFile(log);
        int found = 0;
        for (size_t at = content.find(text); at != std::string::npos;
             at = content.find(text, at + 1))
            ++found;
        if (found >= count)
            return true;
        QThread::msleep(50);
    }
    return false;
}

// The processes of the tree below pid, pid included.
std::set<std::string> processTree(qint64 pid)
{
    std::set<std::string> tree{std::to_string(pid)};
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto &entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos || tree.count(name))
                continue;
            // "pid (comm) state ppid ...": the command may hold blanks and parentheses.
            const std::string stat = readFile(entry.path() / "stat");
            const size_t close = stat.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream rest(stat.substr(close + 1));
            std::string state, parent;
            rest >> state >> parent;
            if (tree.count(parent)) {
                tree.insert(name);
                grew = true;
            }
        }
    }
    return tree;
}

// The local addresses ("127.0.0.1:9222" as "0100007F:2406") of the TCP sockets on which the
// processes of the tree below pid listen.
std::set<std::string> listeningSockets(qint64 pid)
{
    std::set<std::string> inodes;
    for (const std::string &process : processTree(pid)) {
        std::error_code error;
        for (const auto &fd : fs::directory_iterator("/proc/" + process + "/fd", error)) {
            const std::string target = fs::read_symlink(fd.path(), error).string();
            if (target.rfind("socket:[", 0) == 0)
                inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    std::set<std::string> listening;
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::istringstream lines(readFile(table));
        std::string line;
        std::getline(lines, line); // the heading
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
                timeout >> inode;
            if (state == "0A" && inodes.count(inode))
                listening.insert(local);
        }
    }
    return listening;
}

std::string hexAddress(quint16 port)
{
    char text[32];
    std::snprintf(text, sizeof text, "0100007F:%04X", unsigned(port));
    return text;
}

class ClientStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.linkFromBuild(programnames::kClient);
        writeFile(folder / "aularkhome.txt", "  http://127.0.0.1:9 \n");
        profile =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
            "/Aulark/QtWebEngine/Default";
        cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString() +
            "/Aulark/QtWebEngine/Default";
    }
    ProgramFolder folder;
    fs::path profile;
    fs::path cache;
    const QString link = QStringLiteral("davadazeda://start/?classurl=a=1&b=2");
};

TEST_F(ClientStart, LogsTheStartAndClearsStaleEngineDataButLocalStorage)
{
    writeFile(profile / "Local Storage" / "leveldb" / "000003.log", "kept");
    writeFile(profile / "stale-entry", "from an earlier run");
    writeFile(cache / "Cache" / "stale-entry", "from an earlier run");

    Client client(folder, link);
    ASSERT_TRUE(waitForLog(folder / "aulark.log", "classurl:")) << readFile(folder / "aulark.log");

    const std::string log = readFile(folder / "aulark.log");
    const auto at = [&](const std::string &line) { return log.find(line); };
    const size_t banner =
        at("Debug: File:() Line:(0) ********************Aulark Start************************* (");
    const size_t version = at("\r\n File:() Line:(0) CurrentVersoin:  \"2019121900\" (");
    const size_t classUrl = at("\r\nDebug: File:() Line:(0) classurl: "
                               "\"http://127.0.0.1:9/static/h5/index.html#/?a=1&b=2\" (");
    EXPECT_EQ(banner, 0u) << log;
    ASSERT_NE(version, std::string::npos) << log;
    ASSERT_NE(classUrl, std::string::npos) << log;
    EXPECT_LT(version, classUrl);

    EXPECT_EQ(readFile(profile / "Local Storage" / "leveldb" / "000003.log"), "kept");
    EXPECT_FALSE(fs::exists(profile / "stale-entry"));
    EXPECT_FALSE(fs::exists(cache / "Cache" / "stale-entry"));
    EXPECT_TRUE(client.running());
}

TEST_F(ClientStart, ASecondStartLeavesTheRunningInstanceAndItsDataAlone)
{
    Client first(folder, link);
    ASSERT_TRUE(waitForLog(folder / "aulark.log", "classurl:")) << readFile(folder / "aulark.log");
    // What the first instance's engine keeps while it runs.
    writeFile(profile / "in-use", "first instance");
    writeFile(cache / "Cache" / "in-use", "first instance");

    // The second start stops at its notice box (the box, its answer and the exit code are
    // driven through the X server in the widget suite); by the time it logs the class page it
    // has passed every step that could touch the first instance's data.
    Client second(folder, link);
    ASSERT_TRUE(waitForLog(folder / "aulark.log", "classurl:", 2))
        << readFile(folder / "aulark.log");
    EXPECT_TRUE(second.running());

    EXPECT_TRUE(first.running());
    EXPECT_EQ(readFile(profile / "in-use"), "first instance");
    EXPECT_EQ(readFile(cache / "Cache" / "in-use"), "first instance");
}

// The web engine's debugging port gives any local process the page, its login form and the
// bridges: it is opened only when the environment asks for it.
TEST_F(ClientStart, OpensADebuggingPortOnlyWhenTheEnvironmentNamesOne)
{
    classroom::ClassroomStandin standin;
    ASSERT_TRUE(standin.start());
    writeFile(folder / "aularkhome.txt", standin.baseUrl().toStdString());
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();

    const struct
    {
        const char *name;
        const char *variable;
        QString value;
    } cases[] = {
        {"nothing asked", nullptr, QString()},
        {"a port", "QTWEBENGINE_REMOTE_DEBUGGING", QString::number(port)},
        {"engine flags", "QTWEBENGINE_CHROMIUM_FLAGS",
         QStringLiteral("--remote-debugging-port=%1").arg(port)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        standin.clearRequests();
        QProcessEnvironment extra;
        if (c.variable)
            extra.insert(QString::fromLatin1(c.variable), c.value);
        Client client(folder, link, extra);
        // Loaded: the engine runs, with whatever it listens on.
        ASSERT_TRUE(standin.waitForRequests(QStringLiteral("/standin/loaded"), 1, 90000));
        if (!c.variable) {
            EXPECT_EQ(listeningSockets(client.pid()), std::set<std::string>());
            continue;
        }
        QElapsedTimer timer;
        timer.start();
        while (!listeningSockets(client.pid()).count(hexAddress(port)) && timer.elapsed() < 30000)
            QThread::msleep(50);
        EXPECT_EQ(listeningSockets(client.pid()), std::set<std::string>{hexAddress(port)});
    }
}

} // namespace
