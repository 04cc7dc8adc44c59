#include "app/removedirectory.h"

#include "tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

QString q(const fs::path &p)
{
    return QString::fromStdString(p.string());
}

// parent/T holding T/f and T/u/v/w; T is parent's only entry.
class RemoveDirectory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeFile(t / "f", "f");
        writeFile(t / "u" / "v" / "w", "w");
    }
    TempDir parent;
    fs::path t = parent / "T";
};

TEST_F(RemoveDirectory, KeptFolderStaysWithTheFoldersAboveIt)
{
    EXPECT_FALSE(removeDirectoryRecursively(q(t), {q(t / "u" / "v")}));
    EXPECT_FALSE(fs::exists(t / "f"));
    EXPECT_TRUE(fs::exists(t / "u" / "v" / "w"));
}

TEST_F(RemoveDirectory, EmptyKeepListRemovesTheTreeButNotItsParent)
{
    EXPECT_TRUE(removeDirectoryRecursively(q(t), {}));
    EXPECT_FALSE(fs::exists(t));
    // The parent is empty now, but it is not part of the tree.
    EXPECT_TRUE(fs::exists(parent.path()));
}

TEST_F(RemoveDirectory, HiddenAndSpecialEntriesSurviveWithTheirFolders)
{
    writeFile(t / "u" / ".hidden", "h");
    ASSERT_EQ(::mkfifo((t / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(removeDirectoryRecursively(q(t), {}));
    EXPECT_TRUE(fs::exists(t / "u" / ".hidden"));
    EXPECT_TRUE(fs::exists(fs::symlink_status(t / "pipe")));
    EXPECT_FALSE(fs::exists(t / "f"));
    EXPECT_FALSE(fs::exists(t / "u" / "v"));
}

TEST_F(RemoveDirectory, LinksAreRemovedWithoutTouchingWhatTheyPointAt)
{
    TempDir outside;
    writeFile(outside / "sub" / "g", "g");
    writeFile(outside / "h", "h");
    fs::create_directory_symlink(outside.path(), t / "u" / "folderlink");
    fs::create_symlink(outside / "h", t / "filelink");

    EXPECT_TRUE(removeDirectoryRecursively(q(t), {}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(t)));
    EXPECT_TRUE(fs::exists(outside / "sub" / "g"));
    EXPECT_TRUE(fs::exists(outside / "h"));
}

TEST_F(RemoveDirectory, PathsThatAreNotRemoved)
{
    EXPECT_FALSE(removeDirectoryRecursively(QString(), {}));
    EXPECT_FALSE(removeDirectoryRecursively(q(t), {q(t)}));
    EXPECT_TRUE(fs::exists(t / "f"));
    // A kept file is spared like a kept folder.
    EXPECT_FALSE(removeDirectoryRecursively(q(t), {q(t / "f")}));
    EXPECT_TRUE(fs::exists(t / "f"));
    EXPECT_TRUE(removeDirectoryRecursively(q(parent / "missing"), {}));
}

} // namespace
