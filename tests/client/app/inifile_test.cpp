#include "app/inifile.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

TEST(IniFile, MissingFileGroupOrKeyGivesTheDefaultAndCreatesNothing)
{
    TempDir dir;
    const QString missing = QString::fromStdString((dir / "config.ini").string());
    EXPECT_EQ(readIniValue(missing, "Login", "name", "fallback").toString(), "fallback");
    EXPECT_FALSE(fs::exists(dir / "config.ini"));

    writeFile(dir / "config.ini", "[Login]\nname=ann\n");
    EXPECT_EQ(readIniValue(missing, "Other", "name", "g").toString(), "g");
    EXPECT_EQ(readIniValue(missing, "Login", "password", "k").toString(), "k");
    EXPECT_EQ(readIniValue(missing, "Login", "name", "d").toString(), "ann");
}

TEST(IniFile, WritingOneValueKeepsTheRestOfTheFile)
{
    TempDir dir;
    const QString file = QString::fromStdString((dir / "config.ini").string());
    writeFile(dir / "config.ini", "[Window]\nwidth=800\n[Login]\nname=ann\n");

    writeIniValue(file, "Login", "password", QStringLiteral("s€cret 课堂"));
    writeIniValue(file, "Login", "name", "bob");

    EXPECT_EQ(readIniValue(file, "Window", "width").toInt(), 800);
    EXPECT_EQ(readIniValue(file, "Login", "name").toString(), "bob");
    EXPECT_EQ(readIniValue(file, "Login", "password").toString(), QStringLiteral("s€cret 课堂"));
    EXPECT_NE(readFile(dir / "config.ini").find("[Window]"), std::string::npos);
}

} // namespace
