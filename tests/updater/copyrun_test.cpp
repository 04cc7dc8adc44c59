#include "fixtures.h"
#include "tempdir.h"

#include <copyrun.h>
#include <installerlog.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

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
        fs::create_directories(prog);
        fs::create_directories(logs);
        writeFile(prog / "Updater", "installed installer");
        paths.targetDir = t + "/";
        paths.ownPath = t + "/Updater";
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
        EXPECT_EQ(name.find(updater::kStagingSuffix), std::string::npos) << name;
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

TEST_F(CopyRunTest, LinksArePassedOverAndSpecialFilesSkipped)
{
    const fs::path r = prog / "updates" / "ready";
    TempDir outside;
    writeFile(outside / "secret.txt", "outside the tree");
    ready("sub/f.txt", "new");
    fs::create_directory_symlink("..", r / "sub" / "loop");
    fs::create_directory_symlink(outside.path(), r / "away");
    fs::create_symlink(outside / "secret.txt", r / "secret.txt");
    ASSERT_EQ(mkfifo((r / "pipe").c_str(), 0644), 0);

    EXPECT_TRUE(run());
    EXPECT_EQ(readFile(prog / "sub/f.txt"), "new");
    for (const char *name : {"away", "secret.txt", "pipe", "sub/loop"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(prog / name))) << name;
    const Lines lines = logLines();
    for (const char *name : {"away", "pipe", "secret.txt", "sub/loop"}) {
        const std::string skipped =
            "Skipped '" + readyPath() + "/" + name + "', not a regular file or folder..";
        EXPECT_NE(std::find(lines.begin(), lines.end(), skipped), lines.end()) << name;
    }
    EXPECT_EQ(readFile(outside / "secret.txt"), "outside the tree");
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
    // Each round of tries is announced again, so the log shows what Retry tried.
    const std::string busyLine =
        "Copying file '" + readyPath() + "/m/busy.bin' to '" + t + "/m/busy.bin'..";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), busyLine), 2);
    EXPECT_EQ(lines.back(), "Fully clearing path '" + readyPath() + "'..");

    EXPECT_FALSE(fs::exists(prog / "updates"));
    EXPECT_EQ(outsideUpdates(prog), before); // byte for byte, and no staged file left
}

TEST_F(CopyRunTest, FailedCommitKeepsTheUpdateForTheNextRun)
{
    ready("a.txt", "new a");
    ready("b.txt", "new b");
    FailingFileOps files;
    files.rules = {{FailingFileOps::Op::Commit, "b.txt", -1, EPERM}};
    EXPECT_FALSE(run(files, updater::RetryPolicy{2, {}}));
    EXPECT_EQ(logLines().back(),
              "Error: update not completed, keeping '" + readyPath() + "' for the next run..");
    EXPECT_TRUE(fs::exists(prog / "updates/ready/b.txt"));
    EXPECT_FALSE(fs::exists(prog / ".b.txt.~upd"));

    fs::remove_all(logs);
    fs::create_directories(logs);
    EXPECT_TRUE(run());
    EXPECT_EQ(readFile(prog / "a.txt"), "new a");
    EXPECT_EQ(readFile(prog / "b.txt"), "new b");
    EXPECT_FALSE(fs::exists(prog / "updates"));
}

// A staged file is the update's file under a second name where the file system allows it, and a
// copy where the update lies on another file system; either way the destination gets the new
// content with its own permission bits, and the ready file stays whole for a second run.
TEST(StageAndCommit, ReplaceTheDestinationWhetherLinkedOrCopied)
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
        EXPECT_EQ(readFile(destination), "old client"); // nothing in place before the commit
        ASSERT_EQ(files.commitFile(staged, destination), 0);
        EXPECT_EQ(readFile(destination), "new client");
        struct stat info
        {
        };
        ASSERT_EQ(::stat(destination.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0750u);
        EXPECT_EQ(readFile(source), "new client");
        EXPECT_FALSE(fs::exists(staged));
        fs::remove_all(ready);
    }
}

} // namespace
