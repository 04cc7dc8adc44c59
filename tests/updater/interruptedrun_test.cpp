#include "fixtures.h"
#include "tempdir.h"

#include <copyrun.h>
#include <installerlog.h>
#include <interruptedrun.h>
#include <programnames.h>
#include <stagingname.h>

#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using Lines = std::vector<std::string>;

namespace {

// Stands for a kill: the run stops at the chosen call with nothing cleaned up.
struct Killed
{
};

class KillingFileOps : public updater::FileOps
{
public:
    // Files to stage, swaps to let through before the kill, or old files to remove after every
    // swap.
    int stagesLeft = -1;
    int swapsLeft = -1;
    int removalsLeft = -1;

    int stageFile(const std::string &source, const std::string &temporary,
                  const std::string &destination) override
    {
        if (stagesLeft-- == 0)
            throw Killed{};
        return FileOps::stageFile(source, temporary, destination);
    }

    int putInPlace(const std::string &staged, const std::string &destination) override
    {
        if (swapsLeft-- == 0)
            throw Killed{};
        return FileOps::putInPlace(staged, destination);
    }
    int removeFile(const std::string &path) override
    {
        if (updater::looksStaged(fs::path(path).filename()) && removalsLeft-- == 0)
            throw Killed{};
        return FileOps::removeFile(path);
    }
};

// Runs the update of the program folder `t` (update folders under `prefix`) and kills it once its
// first file is in place, as the real program would be killed.
void killedAfterOneSwap(const std::string &t, const fs::path &installer, const std::string &prefix)
{
    updater::UpdatePaths paths;
    paths.targetDir = t;
    paths.readyFolder = prefix + paths.readyFolder;
    paths.updatesFolder = prefix + paths.updatesFolder;
    paths.ownPath = installer.string();
    updatertest::ScriptedPrompt prompt;
    updater::InstallerLog log(prompt);
    KillingFileOps killing;
    killing.swapsLeft = 1;
    updater::CopyRunServices killed{log, prompt, killing, {}};
    EXPECT_THROW(updater::runUpdate(paths, killed), Killed);
}

std::map<std::string, std::string> outsideUpdates(const fs::path &folder)
{
    auto entries = updatertest::snapshot(folder);
    for (auto it = entries.begin(); it != entries.end();)
        it = it->first.rfind("updates", 0) == 0 || it->first.rfind("Logs", 0) == 0
                 ? entries.erase(it)
                 : std::next(it);
    return entries;
}

// A run cut short is found by the next one through its journal alone, and finished where every
// file is still where the journal says, else undone.
TEST(InterruptedRun, IsFinishedOrUndoneByTheNextRun)
{
    const struct
    {
        const char *label;
        int stagesLeft;
        int swapsLeft;
        int removalsLeft;
        std::function<void(const fs::path &)> afterKill;
        updater::Recovery expected;
        const char *line;
    } cases[] = {
        {"killed while staging", 3, -1, -1, [](const fs::path &) {}, updater::Recovery::Undone,
         "' that had put nothing in place, undoing it.."},
        {"killed between swaps", -1, 3, -1, [](const fs::path &) {}, updater::Recovery::Finished,
         "', finishing it.."},
        {"killed while the old files are removed", -1, -1, 2, [](const fs::path &) {},
         updater::Recovery::Finished, "', finishing it.."},
        {"killed between swaps, a staged file lost since", -1, 3, -1,
         [](const fs::path &prog) { fs::remove(prog / "z" / ".c.txt.~upd"); },
         updater::Recovery::Undone, "' that cannot be finished, undoing it.."},
        {"killed between swaps, a journal cut short since", -1, 3, -1,
         [](const fs::path &prog) {
             const fs::path journal = prog / "updates" / "install.journal";
             const std::string text = readFile(journal);
             writeFile(journal, text.substr(0, text.size() / 2));
         },
         updater::Recovery::Discarded, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        const fs::path prog = dir / "prog";
        const std::string t = prog.string() + "/";
        for (const std::string name : {"Aulark", "a.txt", "b.txt", "z/c.txt", "z/d.txt"}) {
            writeFile(prog / name, "old " + name);
            writeFile(prog / "updates" / "ready" / name, "new " + name);
        }
        writeFile(prog / "updates" / "ready" / "y" / "e.txt", "new to the folder");
        const auto before = outsideUpdates(prog);
        updater::UpdatePaths paths;
        paths.targetDir = t;
        paths.ownPath = t + "Updater";
        updatertest::ScriptedPrompt prompt;
        updater::InstallerLog log(prompt);
        log.open(t);
        KillingFileOps killing;
        killing.stagesLeft = c.stagesLeft;
        killing.swapsLeft = c.swapsLeft;
        killing.removalsLeft = c.removalsLeft;
        updater::CopyRunServices killed{log, prompt, killing, {}};
        EXPECT_THROW(updater::runUpdate(paths, killed), Killed);
        EXPECT_TRUE(fs::exists(prog / "updates" / "install.journal"));
        c.afterKill(prog);

        updater::FileOps files;
        updater::CopyRunServices services{log, prompt, files, {}};
        EXPECT_EQ(updater::finishInterruptedRun(paths, services), c.expected);
        EXPECT_FALSE(fs::exists(prog / "updates" / "install.journal"));
        const Lines lines = updatertest::readLogLines(log.fileName());
        const std::string found =
            "Found an interrupted update in '" + t + "updates/install.journal";
        if (c.expected == updater::Recovery::Discarded) {
            EXPECT_EQ(lines.back(), "Error: cannot read the journal '" + t +
                                        "updates/install.journal', removing it..");
            // What is left is an update not yet complete; running it again completes it.
            EXPECT_TRUE(updater::runUpdate(paths, services));
        } else {
            EXPECT_NE(std::find(lines.begin(), lines.end(), found + c.line), lines.end());
        }
        if (c.expected == updater::Recovery::Undone) {
            EXPECT_EQ(outsideUpdates(prog), before);
            EXPECT_TRUE(fs::exists(prog / "updates" / "ready" / "z" / "c.txt"));
            EXPECT_EQ(lines.back(), "Interrupted update undone..");
        } else {
            for (const std::string name : {"Aulark", "a.txt", "b.txt", "z/c.txt", "z/d.txt"})
                EXPECT_EQ(readFile(prog / name), "new " + name) << name;
            EXPECT_EQ(readFile(prog / "y" / "e.txt"), "new to the folder");
            EXPECT_FALSE(fs::exists(prog / "updates" / "ready"));
        }
        for (const auto &[name, value] : updatertest::snapshot(prog))
            EXPECT_FALSE(updater::looksStaged(fs::path(name).filename())) << name;
        // Nothing is left to do for a further run.
        EXPECT_EQ(updater::finishInterruptedRun(paths, services), updater::Recovery::NothingFound);
    }
}

// The program started for anything at all finishes a run cut short first: here in the option
// mode, without "-update".
TEST(InterruptedRun, IsFinishedByAnInstallerStartedForAnythingElse)
{
    testsupport::ProgramFolder folder;
    const fs::path installer = folder.copyFromBuild(programnames::kUpdater);
    const std::string t = folder.path().string() + "/";
    for (const std::string name : {"a.txt", "b.txt", "c.txt"}) {
        writeFile(folder / name, "old " + name);
        writeFile(folder / "tupdates" / "ready" / name, "new " + name);
    }
    killedAfterOneSwap(t, installer, "t");

    EXPECT_EQ(updatertest::runProgram(installer.string(), {"-autostart"}), 0);
    for (const std::string name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(readFile(folder / name), "new " + name) << name;
    EXPECT_FALSE(fs::exists(folder / "tupdates"));
    const Lines lines = updatertest::readLogLines(updatertest::onlyLogFile(folder.path()));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Interrupted update finished.."), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Update started.."), lines.end());
}

// A run that can be neither finished nor undone leaves its journal, and the client hands over to
// the installer whenever it finds one: the installer then must not start the client itself, or
// the two would hand over to each other for ever.
TEST(InterruptedRun, OneThatCanBeNeitherFinishedNorUndoneDoesNotStartTheClient)
{
    testsupport::ProgramFolder folder;
    const fs::path installer = folder.copyFromBuild(programnames::kUpdater);
    const std::string t = folder.path().string() + "/";
    const std::vector<std::string> names{"a.txt", "b.txt", "c.txt", programnames::kClient};
    for (const std::string &name : names) {
        writeFile(folder / name, "old " + name);
        writeFile(folder / "updates" / "ready" / name, "new " + name);
    }
    killedAfterOneSwap(t, installer, "");
    // A swapped file's old copy changed since, and a waiting file's new copy is gone: neither way
    // can be taken.
    bool changedOld = false, lostNew = false;
    for (const std::string &name : names) {
        const fs::path staged = folder / ("." + name + ".~upd");
        if (!fs::exists(staged))
            continue;
        if (!changedOld && readFile(staged) == "old " + name) {
            // Written beside it first: a file made after the removal could get its inode back.
            writeFile(folder / "replacement", "old " + name);
            fs::rename(folder / "replacement", staged);
            changedOld = true;
        } else if (!lostNew && readFile(staged) == "new " + name) {
            fs::remove(staged);
            lostNew = true;
        }
    }
    ASSERT_TRUE(changedOld && lostNew);

    EXPECT_EQ(updatertest::runProgram(installer.string(), {"davadazeda://start/?"}), 0);
    EXPECT_TRUE(fs::exists(folder / "updates" / "install.journal"));
    const Lines lines = updatertest::readLogLines(updatertest::onlyLogFile(folder.path()));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), std::string("Error: the folder is left half updated, not starting ") +
                                programnames::kClient + "..");
    for (const std::string &line : lines)
        EXPECT_EQ(line.rfind("Executed", 0), std::string::npos) << line;
}

} // namespace
