#include "fixtures.h"
#include "tempdir.h"

#include <copyrun.h>
#include <installerlog.h>
#include <programnames.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// The real file operations, each call written down in order.
class RecordingFileOps : public updater::FileOps
{
public:
    std::vector<std::string> calls;

    int writeFile(const std::string &path, const std::string &content) override
    {
        calls.push_back("write " + path);
        return FileOps::writeFile(path, content);
    }
    int renameFile(const std::string &from, const std::string &to) override
    {
        calls.push_back("rename " + to);
        return FileOps::renameFile(from, to);
    }
    int syncFileSystem(const std::string &path) override
    {
        calls.push_back("sync");
        return FileOps::syncFileSystem(path);
    }
    int syncFolder(const std::string &folder) override
    {
        calls.push_back("sync folder " + folder);
        return FileOps::syncFolder(folder);
    }
    int putInPlace(const std::string &staged, const std::string &destination) override
    {
        calls.push_back("swap " + destination);
        return FileOps::putInPlace(staged, destination);
    }
    int removeFile(const std::string &path) override
    {
        calls.push_back("remove " + path);
        return FileOps::removeFile(path);
    }
    int removeTree(const std::string &folder) override
    {
        calls.push_back("remove tree " + folder);
        return FileOps::removeTree(folder);
    }

    // Index of the first call (or the last, from the back) that begins with `prefix`.
    size_t first(const std::string &prefix, size_t from = 0) const
    {
        for (size_t i = from; i < calls.size(); ++i) {
            if (calls[i].rfind(prefix, 0) == 0)
                return i;
        }
        ADD_FAILURE() << "no call " << prefix << " from " << from;
        return calls.size();
    }
    size_t last(const std::string &prefix) const
    {
        for (size_t i = calls.size(); i-- > 0;) {
            if (calls[i].rfind(prefix, 0) == 0)
                return i;
        }
        ADD_FAILURE() << "no call " << prefix;
        return 0;
    }
};

// The journal and every staged file are on disk before the first swap; everything swapped is on
// disk before the old files and then the update tree, the only other copy, are removed, and the
// journal goes last. The client and the program started afterwards are swapped last.
TEST(SwapOrder, DurableBeforeTheFirstSwapAndAfterTheLastWithTheClientLast)
{
    TempDir dir;
    const std::string t = dir.path().string() + "/";
    const fs::path ready = dir / "updates" / "ready";
    for (const std::string name : {programnames::kClient, "Quorvel", "a.txt", "z/b.txt"}) {
        writeFile(ready / name, "new " + name);
        writeFile(dir / name, "old " + name);
    }
    writeFile(ready / "z" / "new.txt", "new to the folder");
    updater::UpdatePaths paths;
    paths.targetDir = t;
    paths.ownPath = t + "Updater";
    paths.handOverProgram = "Quorvel";
    updatertest::ScriptedPrompt prompt;
    updater::InstallerLog log(prompt);
    RecordingFileOps files;
    updater::CopyRunServices services{log, prompt, files, {}};

    ASSERT_TRUE(updater::runUpdate(paths, services));
    const std::string journal = t + "updates/install.journal";
    const size_t firstSwap = files.first("swap ");
    const size_t lastSwap = files.last("swap ");
    // Written when the run begins and again when everything is staged; only the last is durable.
    const size_t written = files.last("write " + journal + ".tmp");
    EXPECT_LT(written, firstSwap);
    const size_t syncedBefore = files.first("sync", written);
    const size_t named = files.first("rename " + journal, syncedBefore);
    const size_t namedOnDisk = files.first("sync folder " + t + "updates", named);
    EXPECT_LT(namedOnDisk, firstSwap);
    const size_t syncedAfter = files.first("sync", lastSwap);
    const size_t oldRemoved = files.first("remove " + t + ".a.txt.~upd", syncedAfter);
    const size_t syncedAgain = files.first("sync", oldRemoved);
    const size_t treeRemoved = files.first("remove tree " + t + "updates/ready", syncedAgain);
    files.first("remove " + journal, treeRemoved);

    EXPECT_EQ(files.calls[lastSwap], "swap " + t + programnames::kClient);
    EXPECT_EQ(files.calls[lastSwap - 1], "swap " + t + "Quorvel");
    EXPECT_EQ(lastSwap - firstSwap + 1, 5u);
}

} // namespace
