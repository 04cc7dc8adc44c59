#include "fixtures.h"
#include "tempdir.h"

#include <copyrun.h>
#include <installerlog.h>
#include <stagingname.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using updatertest::FailingFileOps;
using updatertest::ScriptedPrompt;
using Lines = std::vector<std::string>;
using Answer = updater::Prompt::Answer;

namespace {

// A tree's snapshot without the update folders.
std::map<std::string, std::string> outsideUpdates(const fs::path &folder)
{
    auto entries = updatertest::snapshot(folder);
    for (auto it = entries.begin(); it != entries.end();)
        it = it->first.rfind("updates", 0) == 0 ? entries.erase(it) : std::next(it);
    return entries;
}

class CopyRunTest : public ::testing::Test
{
protected:
    CopyRunTest()
    {
        paths.targetDir = t + "/";
        paths.ownPath = t + "/Updater";
        startAfresh();
    }

    // An empty program folder with only the installer, and no log yet: for each case of a table.
    void startAfresh()
    {
        fs::remove_all(prog);
        fs::remove_all(logs);
        fs::create_directories(logs);
        writeFile(prog / "Updater", "installed installer");
        paths.ownFile = updater::identityOf(paths.ownPath);
    }

    void ready(const std::string &relative, const std::string &content)
    {
        writeFile(prog / "updates" / "ready" / relative, content);
    }

    bool run(updater::FileOps &files, updater::RetryPolicy retry = {30, {}})
    {
        updater::InstallerLog log(prompt);
        log.open(logs.string() + "/");
        updater::CopyRunServices services{log, prompt, files, retry};
        return updater::runUpdate(paths, services);
    }
    bool run()
    {
        updater::FileOps files;
        return run(files);
    }
    Lines logLines() const { return updatertest::readLogLines(updatertest::onlyLogFile(logs)); }
    std::string readyPath() const { return t + "/updates/ready"; }

    TempDir dir;
    fs::path prog = dir / "prog";
    fs::path logs = dir / "logdir";
    std::string t = prog.string();
    updater::UpdatePaths paths;
    ScriptedPrompt prompt;
};

TEST_F(CopyRunTest, NoReadyFolderDoesNothing)
{
    fs::create_directories(prog / "updates");
    EXPECT_TRUE(run());
    EXPECT_EQ(logLines(), Lines{"Update started.."});
    EXPECT_TRUE(fs::exists(prog / "updates"));
}

TEST_F(CopyRunTest, EmptyReadyFolderIsClearedWithTheDownloadFolder)
{
    fs::create_directories(prog / "updates" / "ready");
    EXPECT_TRUE(run());
    EXPECT_EQ(logLines(), (Lines{"Update started..", "Update succeed! Clearing folder..",
                                 "Fully clearing path '" + readyPath() + "'.."}));
    EXPECT_FALSE(fs::exists(prog / "updates"));
}

TEST_F(CopyRunTest, NestedTreeIsInstalledInBreadthFirstOrder)
{
    ready("top.txt", "new top");
    ready("a/g.txt", "new g");
    ready("a/b/f.txt", "new f");
    writeFile(prog / "top.txt", "old top");
    fs::permissions(prog / "top.txt", fs::perms(0755)); // a replaced program stays executable
    fs::permissions(prog / "updates/ready/a/g.txt", fs::perms(0640)); // a new file takes these
    writeFile(prog / "updates" / "keep", "left in the download folder");

    EXPECT_TRUE(run());
    const std::string r = readyPath();
    EXPECT_EQ(logLines(),
              (Lines{
                  "Update started..",
                  "Added dir '" + r + "/a' in update tree..",
                  "Added file '" + r + "/top.txt' to be copied to '" + t + "/top.txt'",
                  "Parsing dir '" + t + "/a/' in update tree..",
                  "Added dir '" + r + "/a/b' in update tree..",
                  "Added file '" + r + "/a/g.txt' to be copied to '" + t + "/a/g.txt'",
                  "Parsing dir '" + t + "/a/b/' in update tree..",
                  "Added file '" + r + "/a/b/f.txt' to be copied to '" + t + "/a/b/f.txt'",
                  "Forcing dir '" + t + "/a/'..",
                  "Forcing dir '" + t + "/a/b/'..",
                  "Copying file '" + r + "/top.txt' to '" + t + "/top.txt'..",
                  "Copying file '" + r + "/a/g.txt' to '" + t + "/a/g.txt'..",
                  "Copying file '" + r + "/a/b/f.txt' to '" + t + "/a/b/f.txt'..",
                  "Putting 3 files in place..",
                  "Update succeed! Clearing folder..",
                  "Fully clearing path '" + r + "'..",
              }));
    EXPECT_EQ(readFile(prog / "top.txt"), "new top");
    EXPECT_EQ(readFile(prog / "a/g.txt"), "new g");
    EXPECT_EQ(readFile(prog / "a/b/f.txt"), "new f");
    EXPECT_EQ(fs::status(prog / "top.txt").permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(prog / "a/g.txt").permissions(), fs::perms(0640));
    EXPECT_FALSE(fs::exists(prog / "updates" / "ready"));
    EXPECT_TRUE(fs::exists(prog / "updates" / "keep")); // not empty: the folder stays
    const auto after = updatertest::snapshot(prog);
    for (const auto &[name, value] : after)
        EXPECT_FALSE(updater::looksStaged(fs::path(name).filename())) << name;
}

TEST_F(CopyRunTest, TreeHoldingTheInstallerIsRefusedAndChangesNothing)
{
    fs::create_directory_symlink(".", prog / "bin"); // another way into the program folder
    const struct
    {
        const char *label;
        std::string file;
    } cases[] = {
        {"by name, in another case", "UPDATER"},
        {"through a linked folder of the program folder", "bin/Updater"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        ready("aaa.txt", "new");
        ready(c.file, "new installer");
        const auto before = outsideUpdates(prog);
        fs::remove_all(logs);
        fs::create_directories(logs);

        EXPECT_FALSE(run());
        const Lines lines = logLines();
        const std::string refusal =
            "Error: bad update, has Updater! '" + t + "/" + c.file + "' equal '" + t + "/Updater'";
        EXPECT_NE(std::find(lines.begin(), lines.end(), refusal), lines.end());
        EXPECT_EQ(lines.back(), "Fully clearing path '" + readyPath() + "'..");
        EXPECT_FALSE(fs::exists(prog / "updates"));
        EXPECT_EQ(outsideUpdates(prog), before);
    }
}

TEST_F(CopyRunTest, ExistingFolderIsFine)
{
    fs::create_directories(prog / "a");
    ready("a/f.txt", "new");
    EXPECT_TRUE(run());
    const Lines lines = logLines();
    const auto forcing = std::find(lines.begin(), lines.end(), "Forcing dir '" + t + "/a/'..");
    ASSERT_NE(forcing, lines.end());
    EXPECT_EQ(*std::next(forcing), "Already exists!");
    EXPECT_EQ(readFile(prog / "a/f.txt"), "new");
}

TEST_F(CopyRunTest, FolderThatExistsAsAFileFailsBeforeAnyFileIsTouched)
{
    writeFile(prog / "a", "a file in the folder's place");
    writeFile(prog / "top.txt", "old");
    ready("top.txt", "new");
    ready("a/f.txt", "new");
    EXPECT_FALSE(run());
    const Lines lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Error: failed to create dir '" + t + "/a/'.."),
              lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Already exists!"), lines.end());
    ASSERT_EQ(prompt.errorBoxes.size(), 1u);
    EXPECT_EQ(prompt.errorBoxes[0].text,
              "Failed to create directory, error code: 17\nError message: File exists");
    EXPECT_EQ(readFile(prog / "top.txt"), "old");
    EXPECT_EQ(readFile(prog / "a"), "a file in the folder's place");
    EXPECT_FALSE(fs::exists(prog / "updates"));
}

std::string skippedLine(const std::string &path)
{
    return "Skipped '" + path + "', not a regular file or folder..";
}

bool contains(const Lines &lines, const std::string &line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool holdsStagedEntry(const fs::path &folder)
{
    for (const auto &[name, value] : updatertest::snapshot(folder)) {
        if (updater::looksStaged(fs::path(name).filename()))
            return true;
    }
    return false;
}

// Entries an update tree may hold beside its plain files, each with what becomes of it.
TEST_F(CopyRunTest, TreeEntriesOfEveryKindHaveTheirOutcome)
{
    // 85 characters of 3 bytes: a name of 255 bytes, the most a file name may have.
    std::string longName;
    for (int i = 0; i < 85; ++i)
        longName += "\xe5\x90\x8d";
    const fs::path r = prog / "updates" / "ready";
    const struct
    {
        const char *label;
        std::function<void()> setUp;
        bool succeeds;
        std::function<void(const Lines &)> check;
    } cases[] = {
        {"a name of 255 bytes",
         [&] {
             ready(longName, "new long");
             ready("sub/" + longName, "new sub long");
             writeFile(prog / longName, "old long");
         },
         true,
         [&](const Lines &) {
             EXPECT_EQ(readFile(prog / longName), "new long");
             EXPECT_EQ(readFile(prog / "sub" / longName), "new sub long");
         }},
        {"a name that looks like a staged file",
         [&] {
             ready("x", "new x");
             ready(".x.~upd", "would take the place of x's staged copy");
             writeFile(prog / "x", "old x");
         },
         false,
         [&](const Lines &lines) {
             EXPECT_TRUE(contains(lines, "Error: bad update, has a staging name! '" + readyPath() +
                                             "/.x.~upd'"));
             EXPECT_FALSE(contains(lines, "Update succeed! Clearing folder.."));
             EXPECT_EQ(readFile(prog / "x"), "old x");
         }},
        {"links that stay in the tree",
         [&] {
             ready("lib/libfoo.so.2", "new library");
             fs::create_symlink("libfoo.so.2", r / "lib" / "libfoo.so");
             fs::create_directory_symlink("lib", r / "current");
             writeFile(prog / "lib" / "libfoo.so.1", "old library");
             fs::create_symlink("libfoo.so.1", prog / "lib" / "libfoo.so");
         },
         true,
         [&](const Lines &) {
             EXPECT_EQ(fs::read_symlink(prog / "lib" / "libfoo.so"), "libfoo.so.2");
             EXPECT_EQ(readFile(prog / "lib" / "libfoo.so"), "new library");
             EXPECT_EQ(fs::read_symlink(prog / "current"), "lib");
             EXPECT_EQ(readFile(prog / "lib" / "libfoo.so.1"), "old library");
         }},
        {"links that may leave the tree",
         [&] {
             ready("sub/f.txt", "new");
             writeFile(dir / "secret.txt", "outside the tree");
             fs::create_symlink(dir / "secret.txt", r / "absolute");
             fs::create_symlink("../../../secret.txt", r / "up");
             fs::create_symlink("a/../../secret.txt", r / "sub" / "hidden-up");
             fs::create_directory_symlink("..", r / "sub" / "loop");
         },
         true,
         [&](const Lines &lines) {
             EXPECT_EQ(readFile(prog / "sub/f.txt"), "new");
             for (const char *name : {"absolute", "up", "sub/hidden-up", "sub/loop"}) {
                 EXPECT_FALSE(fs::exists(fs::symlink_status(prog / name))) << name;
                 EXPECT_TRUE(contains(lines, skippedLine(readyPath() + "/" + name))) << name;
             }
             EXPECT_EQ(readFile(dir / "secret.txt"), "outside the tree");
         }},
        {"a pipe",
         [&] {
             ready("f.txt", "new");
             ASSERT_EQ(mkfifo((r / "pipe").c_str(), 0644), 0);
         },
         true,
         [&](const Lines &lines) {
             EXPECT_EQ(readFile(prog / "f.txt"), "new");
             EXPECT_FALSE(fs::exists(fs::symlink_status(prog / "pipe")));
             EXPECT_TRUE(contains(lines, skippedLine(readyPath() + "/pipe")));
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        startAfresh();
        c.setUp();
        const auto before = outsideUpdates(prog);

        EXPECT_EQ(run(), c.succeeds);
        c.check(logLines());
        EXPECT_FALSE(fs::exists(prog / "updates"));
        EXPECT_FALSE(holdsStagedEntry(prog));
        if (!c.succeeds) {
            EXPECT_EQ(outsideUpdates(prog), before);
        }
    }
}

TEST_F(CopyRunTest, ListingFailuresShowTheirBoxAndClear)
{
    const struct
    {
        FailingFileOps::Op op;
        const char *line;
        const char *box;
    } cases[] = {
        {FailingFileOps::Op::List, "Error: failed to find update files :(",
         "Failed to find update files, error code: 13\nError message: Permission denied"},
        {FailingFileOps::Op::ListNext, "Error: failed to find next update file :(",
         "Failed to find next update file, error code: 5\nError message: Input/output error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        ready("a.txt", "new");
        ready("b.txt", "new");
        fs::remove_all(logs);
        fs::create_directories(logs);
        prompt.errorBoxes.clear();
        FailingFileOps files;
        files.rules = {{c.op, "ready", -1, c.op == FailingFileOps::Op::List ? 13 : 5}};
        EXPECT_FALSE(run(files));
        const Lines lines = logLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end());
        ASSERT_EQ(prompt.errorBoxes.size(), 1u);
        EXPECT_EQ(prompt.errorBoxes[0].text, c.box);
        EXPECT_FALSE(fs::exists(prog / "a.txt"));
        EXPECT_FALSE(fs::exists(prog / "updates"));
    }
}

TEST_F(CopyRunTest, FileBusyForAWhileIsCopiedWithoutAPrompt)
{
    ready("Aulark", "new client");
    writeFile(prog / "Aulark", "old client");
    FailingFileOps files;
    files.rules = {{FailingFileOps::Op::Stage, "/Aulark", 10, EBUSY}};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(run(files, updater::RetryPolicy{}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(files.calls[FailingFileOps::Op::Stage], 11);
    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_EQ(readFile(prog / "Aulark"), "new client");
}

TEST_F(CopyRunTest, FileBusyForGoodAsksAndCancelLeavesTheFolderAsItWas)
{
    ready("a.txt", "new a");
    ready("m/busy.bin", "new busy");
    ready("z.txt", "new z");
    writeFile(prog / "a.txt", "old a");
    writeFile(prog / "m/busy.bin", "old busy");
    const auto before = outsideUpdates(prog);
    FailingFileOps files;
    files.rules = {{FailingFileOps::Op::Stage, "busy.bin", -1, EBUSY}};
    prompt.answers = {Answer::Retry, Answer::Cancel};

    EXPECT_FALSE(run(files, updater::RetryPolicy{}));
    EXPECT_EQ(files.calls[FailingFileOps::Op::Stage], 60); // Retry gave 30 more tries
    ASSERT_EQ(prompt.questions.size(), 2u);
    EXPECT_EQ(prompt.questions[0].title, "Update error!");
    EXPECT_EQ(prompt.questions[0].text,
              "Failed to update quorvel :(\n" + t + "/m/busy.bin is not accessible.");
    const Lines lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Error: failed to copy, asking to retry.."),
              2);
    // Each round that failed says why, just before the question.
    const auto reason = std::find(lines.begin(), lines.end(),
                                  "Error: the last try failed, error code: 16, Device or resource "
                                  "busy");
    ASSERT_NE(reason, lines.end());
    EXPECT_EQ(*std::next(reason), "Error: failed to copy, asking to retry..");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), *reason), 2);
    // Each round of tries is announced again, so the log shows what Retry tried.
    const std::string busyLine =
        "Copying file '" + readyPath() + "/m/busy.bin' to '" + t + "/m/busy.bin'..";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), busyLine), 2);
    EXPECT_EQ(lines.back(), "Fully clearing path '" + readyPath() + "'..");

    EXPECT_FALSE(fs::exists(prog / "updates"));
    EXPECT_EQ(outsideUpdates(prog), before); // byte for byte, and no staged file left
}

// Makes one destination impossible to replace just before its swap, the way a user or another
// program might: by putting a folder in its place.
class ObstructingFileOps : public updater::FileOps
{
public:
    explicit ObstructingFileOps(fs::path victim) : m_victim(std::move(victim)) {}
    int putInPlace(const std::string &staged, const std::string &destination) override
    {
        if (destination == m_victim.string() && !fs::is_directory(m_victim)) {
            fs::rename(m_victim, m_victim.string() + ".aside");
            fs::create_directory(m_victim);
        }
        return FileOps::putInPlace(staged, destination);
    }

private:
    fs::path m_victim;
};

// Sets or clears the immutable flag; false where the file system or the user may not.
bool setImmutable(const fs::path &file, bool on)
{
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
}

// A swap that fails part way: the files already swapped go back, the folder is the old one byte
// for byte, and the update stays for the next run.
TEST_F(CopyRunTest, SwapThatFailsInTheMiddleRollsBackToTheOldFolder)
{
    const struct
    {
        const char *label;
        std::function<std::unique_ptr<updater::FileOps>()> files;
        std::function<bool()> obstruct; // false: not possible here
        std::function<void()> clear;
    } cases[] = {
        {"the swap refused",
         [] {
             auto files = std::make_unique<FailingFileOps>();
             files->rules = {{FailingFileOps::Op::Swap, "m/c.txt", -1, EPERM}};
             return files;
         },
         [] { return true; }, [] {}},
        {"a folder put in the file's place",
         [this] { return std::make_unique<ObstructingFileOps>(prog / "m/c.txt"); },
         [] { return true; },
         [this] {
             fs::remove(prog / "m/c.txt");
             fs::rename(prog / "m/c.txt.aside", prog / "m/c.txt");
         }},
        {"an immutable file", [] { return std::make_unique<updater::FileOps>(); },
         [this] { return setImmutable(prog / "m/c.txt", true); },
         [this] { setImmutable(prog / "m/c.txt", false); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        startAfresh();
        writeFile(prog / "a.txt", "old a");
        writeFile(prog / "m/c.txt", "old c");
        fs::create_symlink("a.txt", prog / "link");
        writeFile(prog / "Aulark", "old client");
        ready("a.txt", "new a");
        ready("b.txt", "new b, new to the folder");
        ready("m/c.txt", "new c");
        ready("n/new.txt", "in a new folder");
        fs::create_symlink("b.txt", prog / "updates/ready/link");
        ready("Aulark", "new client");
        if (!c.obstruct()) {
            c.clear();
            continue; // immutable files need root and a file system that has them
        }
        const auto before = outsideUpdates(prog);
        const auto update = updatertest::snapshot(prog / "updates/ready");

        const auto files = c.files();
        EXPECT_FALSE(run(*files, updater::RetryPolicy{2, {}}));
        c.clear();
        EXPECT_EQ(outsideUpdates(prog), before);
        EXPECT_EQ(updatertest::snapshot(prog / "updates/ready"), update);
        EXPECT_FALSE(fs::exists(prog / "updates/install.journal"));
        const Lines lines = logLines();
        EXPECT_TRUE(
            contains(lines, "Error: failed to put '" + t + "/m/c.txt' in place, rolling back.."));
        EXPECT_TRUE(contains(lines, "Rolling back the update.."));
        EXPECT_EQ(lines.back(),
                  "Error: update rolled back, keeping '" + readyPath() + "' for the next run..");

        // The kept update goes in whole once nothing stands in the way.
        fs::remove_all(logs);
        fs::create_directories(logs);
        EXPECT_TRUE(run());
        EXPECT_EQ(readFile(prog / "a.txt"), "new a");
        EXPECT_EQ(readFile(prog / "b.txt"), "new b, new to the folder");
        EXPECT_EQ(readFile(prog / "m/c.txt"), "new c");
        EXPECT_EQ(readFile(prog / "n/new.txt"), "in a new folder");
        EXPECT_EQ(fs::read_symlink(prog / "link"), "b.txt");
        EXPECT_EQ(readFile(prog / "Aulark"), "new client");
        EXPECT_FALSE(fs::exists(prog / "updates"));
        EXPECT_FALSE(holdsStagedEntry(prog));
    }
}

// A staged file is the update's file under a second name where the file system allows it, and a
// copy where the update lies on another file system; either way the destination gets the new
// content with its own permission bits, the old file is kept under the staged name until it is
// taken out of place again, and the ready file stays whole for a second run.
TEST(StageAndSwap, ReplaceTheDestinationWhetherLinkedOrCopied)
{
    TempDir program;
    const fs::path shm = "/dev/shm";
    struct Case
    {
        const char *name;
        fs::path readyBase;
    };
    const Case cases[] = {{"same file system", program.path()}, {"other file system", shm}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!fs::is_directory(c.readyBase))
            continue;
        TempDir readyHolder; // only for a unique name
        const fs::path ready = c.readyBase / (readyHolder.path().filename().string() + "-ready");
        fs::create_directories(ready);
        const fs::path source = ready / "client";
        writeFile(source, "new client");
        ::chmod(source.c_str(), 0644);
        const fs::path destination = program / "client";
        writeFile(destination, "old client");
        ::chmod(destination.c_str(), 0750);
        const fs::path staged = program / ".client.~upd";

        updater::FileOps files;
        ASSERT_EQ(files.stageFile(source, staged, destination), 0);
        EXPECT_EQ(readFile(destination), "old client"); // nothing in place before the swap
        ASSERT_EQ(files.putInPlace(staged, destination), 0);
        EXPECT_EQ(readFile(destination), "new client");
        EXPECT_EQ(readFile(staged), "old client");
        struct stat info
        {
        };
        ASSERT_EQ(::stat(destination.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0750u);
        EXPECT_EQ(readFile(source), "new client");
        ASSERT_EQ(files.takeOutOfPlace(staged, destination), 0);
        EXPECT_EQ(readFile(destination), "old client");
        EXPECT_EQ(readFile(staged), "new client");
        fs::remove_all(ready);
    }
}

} // namespace
