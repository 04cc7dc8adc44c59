#include "fixtures.h"
#include "scopedtimezone.h"
#include "tempdir.h"

#include <errorbox.h>
#include <installerlog.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using updatertest::ScriptedPrompt;

namespace {

std::string folderOf(const TempDir &dir)
{
    return dir.path().string() + "/";
}

// 2024-12-10 11:26:40 UTC
constexpr std::time_t kSomeTime = 1733830000;

class InstallerLogTest : public ::testing::Test
{
protected:
    fs::path logFile() const { return dir / "Logs" / "20241210_112640_upd.txt"; }

    testsupport::ScopedTimeZone zone{"UTC"};
    TempDir dir;
    ScriptedPrompt prompt;
};

TEST_F(InstallerLogTest, LinesAreUtf16LittleEndianWithCrLfAndNoByteOrderMark)
{
    const struct
    {
        std::string line;
        std::string bytes;
    } cases[] = {
        {"Ab", std::string("A\0b\0\r\0\n\0", 8)},
        {"", std::string("\r\0\n\0", 4)},
        // é, a CJK character, a character outside the basic plane (a surrogate pair)
        {"\xc3\xa9\xe8\xaf\xbe\xf0\x9f\x98\x80",
         std::string("\xe9\x00\xfe\x8b\x3d\xd8\x00\xde\r\0\n\0", 12)},
        // a file name byte that is no UTF-8 still gives a whole line
        {"a\xff", std::string("a\0\xfd\xff\r\0\n\0", 8)},
    };
    updater::InstallerLog log(prompt);
    log.open(folderOf(dir), kSomeTime);
    ASSERT_TRUE(log.isOpen());
    std::string expected;
    for (const auto &c : cases) {
        log.write(c.line);
        expected += c.bytes;
        // On disk as soon as the write returns.
        EXPECT_EQ(readFile(logFile()), expected) << c.line;
    }
    EXPECT_TRUE(prompt.errorBoxes.empty());
}

TEST_F(InstallerLogTest, SameSecondReplacesTheEarlierFileAndOpenIsOnce)
{
    {
        updater::InstallerLog first(prompt);
        first.open(folderOf(dir), kSomeTime);
        first.write("first run");
    }
    updater::InstallerLog second(prompt);
    second.open(folderOf(dir), kSomeTime);
    second.write("second");
    second.open(folderOf(dir), kSomeTime + 5); // already open: same file goes on
    second.write("run");
    EXPECT_EQ(updatertest::readLogLines(logFile()), (std::vector<std::string>{"second", "run"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "Logs"), fs::directory_iterator()), 1);
}

TEST_F(InstallerLogTest, RunsOfOneSecondThatOverlapEachWriteTheirOwnFile)
{
    updater::InstallerLog first(prompt);
    first.open(folderOf(dir), kSomeTime);
    updater::InstallerLog second(prompt);
    second.open(folderOf(dir), kSomeTime);
    first.write("first run");
    second.write("second run");
    EXPECT_EQ(updatertest::readLogLines(logFile()), (std::vector<std::string>{"first run"}));
    EXPECT_EQ(updatertest::readLogLines(dir / "Logs" / "20241210_112640_2_upd.txt"),
              (std::vector<std::string>{"second run"}));
    first.close();
    // Once the first has ended, its file is free to be replaced again.
    updater::InstallerLog third(prompt);
    third.open(folderOf(dir), kSomeTime);
    third.write("third run");
    EXPECT_EQ(updatertest::readLogLines(logFile()), (std::vector<std::string>{"third run"}));
    EXPECT_TRUE(prompt.errorBoxes.empty());
}

TEST_F(InstallerLogTest, NoLogsFolderMeansNoLogAndNoBox)
{
    updater::InstallerLog log(prompt);
    log.open(folderOf(dir) + "missing/", kSomeTime);
    EXPECT_FALSE(log.isOpen());
    log.write("dropped");
    EXPECT_TRUE(prompt.errorBoxes.empty());
}

TEST_F(InstallerLogTest, FileThatCannotBeCreatedShowsTheBox)
{
    const struct
    {
        const char *label;
        std::function<void(const fs::path &)> obstruct;
        std::string text;
    } cases[] = {
        {"a folder in the file's place", [](const fs::path &file) { fs::create_directories(file); },
         "Failed to create log file, error code: 21\nError message: Is a directory"},
        {"a file in the place of Logs",
         [](const fs::path &file) { writeFile(file.parent_path(), "not a folder"); },
         "Failed to create log file, error code: 20\nError message: Not a directory"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        TempDir where;
        c.obstruct(where / "Logs" / "20241210_112640_upd.txt");
        ScriptedPrompt boxes;
        updater::InstallerLog log(boxes);
        log.open(folderOf(where), kSomeTime);
        EXPECT_FALSE(log.isOpen());
        ASSERT_EQ(boxes.errorBoxes.size(), 1u);
        EXPECT_EQ(boxes.errorBoxes[0].title, "Update error!");
        EXPECT_EQ(boxes.errorBoxes[0].text, c.text);
    }
}

TEST_F(InstallerLogTest, FailedWriteShowsTheLineAndEndsTheLog)
{
    fs::create_directories(dir / "Logs");
    fs::create_symlink("/dev/full", logFile());
    updater::InstallerLog log(prompt);
    log.open(folderOf(dir), kSomeTime);
    ASSERT_TRUE(log.isOpen());
    log.write("hello");
    EXPECT_FALSE(log.isOpen());
    log.write("later lines are dropped");
    ASSERT_EQ(prompt.errorBoxes.size(), 1u);
    EXPECT_EQ(prompt.errorBoxes[0].text, "Failed to write log entry 'hello', error code: 28\n"
                                         "Error message: No space left on device");
}

TEST_F(InstallerLogTest, ErrorBoxGoesToTheLogLineByLine)
{
    updater::InstallerLog log(prompt);
    log.open(folderOf(dir), kSomeTime);
    updater::showErrorBox(&log, prompt, "Failed to find update files", 13);
    EXPECT_EQ(updatertest::readLogLines(logFile()),
              (std::vector<std::string>{"Update error! Failed to find update files, error code: 13",
                                        "Error message: Permission denied"}));
    ASSERT_EQ(prompt.errorBoxes.size(), 1u);
    EXPECT_EQ(prompt.errorBoxes[0].text,
              "Failed to find update files, error code: 13\nError message: Permission denied");
}

} // namespace
