#include "app/globals.h"
#include "startup/startupsteps.h"

#include "tempdir.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const QString kBase = QStringLiteral("https://server.test");

// Collects the messages logged while it exists.
struct LogCapture
{
    LogCapture()
    {
        current = this;
        previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                      const QString &message) { current->lines.append(message); });
    }
    ~LogCapture()
    {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
    QStringList lines;
    QtMessageHandler previous;
    static inline LogCapture *current = nullptr;
};

TEST(ClassPageUrl, ClassLinks)
{
    const QString page = kBase + QStringLiteral("/static/h5/index.html#/?");
    const struct
    {
        const char *argument;
        QString expected;
    } cases[] = {
        {"", QString()},
        {"davadazeda://start/?classurl=a=1&b=2", page + "a=1&b=2"},
        {"davadazeda://start/?classurl=", page},
        {"https://elsewhere/?classurl=a=1", QString()},
        {"davadazeda://start/?room=5", QString()},
        {"davadazeda://start/?classurlx", QString()},
        // Wherever the prefix stands, the parameters are what follows its "classurl=".
        {"open davadazeda://start/?classurl=a=1", page + "a=1"},
        {"davadazeda://start/?x=1&classurl=a=%E4%B8%AD", page + "a=%E4%B8%AD"},
        {"classurl=z davadazeda://start/?classurl=a", page + "a"},
        {"DAVADAZEDA://START/?classurl=a", QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(classPageUrl(kBase, QString::fromUtf8(c.argument)), c.expected) << c.argument;
}

TEST(ParseClassPageUrl, AStrayPercentLeavesTheOtherEscapesAlone)
{
    const QString page = QStringLiteral("http://127.0.0.1:9/static/h5/index.html#/?");
    const struct
    {
        const char *parameters;
        const char *encoded;
    } cases[] = {
        {"a=%E4%B8%AD&b=%2F", "a=%E4%B8%AD&b=%2F"},
        {"a=%E4%B8%AD&c=50%off", "a=%E4%B8%AD&c=50%25off"},
        // The escapes themselves come out as any parse writes them.
        {"c=50%&a=%e4%b8%ad", "c=50%25&a=%E4%B8%AD"},
        {"a=%%41%4", "a=%25A%254"},
        {"a=%E4%B8%AD&c=%", "a=%E4%B8%AD&c=%25"},
        {"a=%zz&b=%2f", "a=%25zz&b=%2F"},
    };
    for (const auto &c : cases) {
        const QUrl url = parseClassPageUrl(page + QString::fromUtf8(c.parameters));
        EXPECT_EQ(url.toString(QUrl::FullyEncoded).toStdString(),
                  (page + QString::fromUtf8(c.encoded)).toStdString());
    }
    // What the page finds in its address.
    EXPECT_EQ(
        parseClassPageUrl(page + "a=%E4%B8%AD&c=50%off").fragment(QUrl::FullyDecoded).toStdString(),
        "/?a=中&c=50%off");
}

TEST(UpdaterArgs, TheFirstArgumentUnchangedOrThePrefixAlone)
{
    char program[] = "Aulark";
    char link[] = "davadazeda://start/?classurl=a=1&b=2";
    char other[] = "不是链接 -x";
    char *withLink[] = {program, link, nullptr};
    char *withOther[] = {program, other, nullptr};
    char *without[] = {program, nullptr};
    EXPECT_EQ(updaterArgs(2, withLink), QString::fromUtf8(link));
    EXPECT_EQ(updaterArgs(2, withOther), QString::fromUtf8(other));
    EXPECT_EQ(updaterArgs(1, without), QStringLiteral("davadazeda://start/?"));
}

TEST(ReadServerBaseUrl, OverrideFile)
{
    TempDir dir;
    const QString file = QString::fromStdString((dir / "aularkhome.txt").string());
    const QString builtIn = QStringLiteral("https://built.in");
    const struct
    {
        const char *content;
        QString expected;
    } cases[] = {
        {"  https://mirror.test \t\n", "https://mirror.test"},
        {"\r\nhttps://mirror.test\r\n", "https://mirror.test"},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"https://mirror.test/school/a", "https://mirror.test/school/a"},
        // Only a web site with a host: the main window shows it with the bridges on its page.
        {"", builtIn},
        {"   \n", builtIn},
        {"javascript:alert(document.cookie)", builtIn},
        {"file:///etc", builtIn},
        {"data:text/html,<script>LiveObj.Login()</script>", builtIn},
        {"mirror.test", builtIn},
        {"ftp://mirror.test", builtIn},
        {"http:///nohost", builtIn},
    };
    for (const auto &c : cases) {
        writeFile(dir / "aularkhome.txt", c.content);
        LogCapture log;
        EXPECT_EQ(readServerBaseUrl(file, builtIn), c.expected) << c.content;
        // A refused file says why.
        EXPECT_EQ(log.lines.size(), c.expected == builtIn ? 1 : 0) << c.content;
        if (c.expected == builtIn) {
            EXPECT_TRUE(log.lines.value(0).contains(QStringLiteral("aularkhome.txt")));
        }
    }
    fs::remove(dir / "aularkhome.txt");
    EXPECT_EQ(readServerBaseUrl(file, builtIn), builtIn);
    fs::create_directory(dir / "aularkhome.txt");
    EXPECT_EQ(readServerBaseUrl(file, builtIn), builtIn) << "a folder is no override file";
}

TEST(ProgramFolder, FromTheFirstCommandLineElement)
{
    TempDir dir;
    writeFile(dir / "prog" / "Aulark", "");
    fs::create_directory_symlink(dir / "prog", dir / "linked");
    TempDir elsewhere;
    writeFile(elsewhere / "real", "");
    fs::create_symlink(elsewhere / "real", dir / "prog" / "viaLink");

    const QString prog = QString::fromStdString((dir / "prog").string()) + "/";
    EXPECT_EQ(programFolder((dir / "prog" / "Aulark").c_str()), prog);
    // The folder of the name as started, not of the file a link leads to.
    EXPECT_EQ(programFolder((dir / "prog" / "viaLink").c_str()), prog);
    EXPECT_EQ(programFolder((dir / "linked" / "Aulark").c_str()),
              QString::fromStdString((dir / "linked").string()) + "/");

    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(prog));
    EXPECT_EQ(programFolder("Aulark"), prog);
    EXPECT_EQ(programFolder("./Aulark"), prog);
    EXPECT_EQ(programFolder("Aulark.exe"), QString()) << "names no file";
    EXPECT_EQ(programFolder("."), QString()) << "a folder is no program";
    QDir::setCurrent(cwd);
    EXPECT_EQ(programFolder(nullptr), QString());
}

TEST(AppNameForCountry, ChinaKeepsTheChineseName)
{
    const QString chinese = QStringLiteral("课堂名称");
    EXPECT_EQ(appNameForCountry(QLocale::China, chinese), chinese);
    EXPECT_EQ(appNameForCountry(QLocale::Germany, chinese), QStringLiteral("DavadazEdacation"));
    EXPECT_EQ(appNameForCountry(QLocale::Taiwan, chinese), QStringLiteral("DavadazEdacation"));
}

TEST(FlashSwitch, KeepsAProgramFolderWithAnyCharacters)
{
    const QString dir = QStringLiteral("/opt/课堂 é/");
    const QByteArray flash = flashSwitch(dir);
    EXPECT_EQ(QFile::decodeName(flash),
              QStringLiteral("--ppapi-flash-path=/opt/课堂 é/pepflashplayer32_28_0_0_137.dll"));
    EXPECT_EQ(flashSwitch(QString()),
              QByteArray("--ppapi-flash-path=pepflashplayer32_28_0_0_137.dll"));
}

} // namespace
