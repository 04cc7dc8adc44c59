#include "app/webstorage.h"

#include "tempdir.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using testsupport::writeFile;

namespace {

fs::path location(QStandardPaths::StandardLocation where)
{
    return QStandardPaths::writableLocation(where).toStdString();
}

TEST(ClearWebStorage, RemovesTheEngineDataAndCacheButKeepsLocalStorage)
{
    const fs::path data = location(QStandardPaths::GenericDataLocation);
    const fs::path cache = location(QStandardPaths::GenericCacheLocation);
    const fs::path profile = data / "Aulark" / "QtWebEngine" / "Default";
    writeFile(profile / "Local Storage" / "leveldb" / "000003.log", "kept");
    writeFile(profile / "Cookies", "c");
    writeFile(profile / "IndexedDB" / "x" / "y", "y");
    writeFile(cache / "Aulark" / "QtWebEngine" / "Default" / "Cache" / "data_0", "d");
    writeFile(data / "SomeoneElse" / "file", "other program");
    writeFile(cache / "SomeoneElse" / "file", "other program");

    clearWebStorage();

    EXPECT_EQ(testsupport::readFile(profile / "Local Storage" / "leveldb" / "000003.log"), "kept");
    EXPECT_FALSE(fs::exists(profile / "Cookies"));
    EXPECT_FALSE(fs::exists(profile / "IndexedDB"));
    EXPECT_FALSE(fs::exists(cache / "Aulark"));
    EXPECT_TRUE(fs::exists(data / "SomeoneElse" / "file"));
    EXPECT_TRUE(fs::exists(cache / "SomeoneElse" / "file"));
}

} // namespace
