#include "update/extract7zarchive.h"

#include "archivemaker.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::listTree;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using updatetest::damageAt;
using updatetest::make7z;

namespace {

int extract(const fs::path &archive, const fs::path &outDir)
{
    return extract7zArchive(archive.c_str(), outDir.c_str());
}

std::string bigText()
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "line " + std::to_string(i * 7919 % 10007) + " of the big file\n";
    return text;
}

class Extract7zArchive : public ::testing::Test
{
protected:
    TempDir work{"aulark-extract"};
    fs::path src = work / "src";
    fs::path out = work / "out";
    fs::path archive = work / "update.7z";

    void SetUp() override
    {
        fs::create_directories(src);
        fs::create_directories(out);
    }
};

TEST_F(Extract7zArchive, UnpacksTheWholeTreeOfAnUpdateArchive)
{
    // A real program exercises the BCJ2 branch converter, not only the LZMA coder.
    fs::copy_file("/bin/ls", src / "Aulark");
    writeFile(src / "lib" / "plugins" / "deep" / "data.bin", bigText());
    writeFile(src / "empty.txt", "");
    fs::create_directories(src / "emptydir" / "inner");
    writeFile(src / "Ünïcödé" / "文件 1.txt", "中文内容");
    fs::create_directory_symlink("lib/plugins", src / "plugins");
    make7z(archive, src, updatetest::kUpdateMethods + " -snl");

    // The reader must not depend on the process locale, which may be plain C.
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(extract(archive, out), kExtractOk);

    EXPECT_EQ(listTree(out), listTree(src));
    EXPECT_EQ(readFile(out / "Aulark"), readFile(src / "Aulark"));
    EXPECT_EQ(readFile(out / "lib" / "plugins" / "deep" / "data.bin"), bigText());
    EXPECT_EQ(readFile(out / "Ünïcödé" / "文件 1.txt"), "中文内容");
    EXPECT_EQ(fs::file_size(out / "empty.txt"), 0u);
    EXPECT_TRUE(fs::is_directory(out / "emptydir" / "inner"));
    EXPECT_EQ(fs::status(out / "Aulark").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_EQ(fs::read_symlink(out / "plugins"), "lib/plugins");
}

TEST_F(Extract7zArchive, ReplacesExistingFilesAndKeepsOthers)
{
    writeFile(src / "a" / "same.txt", "new");
    make7z(archive, src);
    writeFile(out / "a" / "same.txt", "old and longer");
    writeFile(out / "a" / "earlier.txt", "earlier");

    ASSERT_EQ(extract(archive, out), kExtractOk);
    EXPECT_EQ(readFile(out / "a" / "same.txt"), "new");
    EXPECT_EQ(readFile(out / "a" / "earlier.txt"), "earlier");
}

TEST_F(Extract7zArchive, FilesThatAreNotArchivesFail)
{
    EXPECT_EQ(extract(work / "missing.7z", out), kExtractCannotOpen);
    EXPECT_EQ(extract(work.path(), out), kExtractCannotOpen);
    writeFile(archive, "");
    EXPECT_EQ(extract(archive, out), kExtractNotAnArchive);
    writeFile(archive, "<html>302 Found</html>");
    EXPECT_EQ(extract(archive, out), kExtractNotAnArchive);

    fs::remove(archive);
    writeFile(src / "f.txt", "f");
    make7z(archive, src);
    const std::string whole = readFile(archive);
    writeFile(archive, whole.substr(0, whole.size() / 2));
    EXPECT_NE(extract(archive, out), kExtractOk);
    EXPECT_TRUE(fs::is_empty(out));
}

// A damaged entry fails the run, and its file never appears under its name: neither as a
// truncated new file nor as a temporary left beside the old one.
TEST_F(Extract7zArchive, DamagedEntryFailsAndLeavesNoPartialFile)
{
    struct Case
    {
        const char *name;
        std::string methods;
    };
    const Case cases[] = {
        // Stored data: only the checksum tells the damage.
        {"checksum", "-m0=Copy -mf=off"},
        {"decoder", updatetest::kUpdateMethods},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir{"aulark-damage"};
        writeFile(dir / "src" / "big.txt", bigText());
        make7z(dir / "a.7z", dir / "src", c.methods);
        if (c.methods.find("Copy") != std::string::npos)
            damageAt(dir / "a.7z", "line 5000");
        else
            updatetest::damagePackedData(dir / "a.7z");
        writeFile(dir / "out" / "big.txt", "the old file");

        ::testing::internal::CaptureStdout();
        const int result = extract(dir / "a.7z", dir / "out");
        const std::string printed = ::testing::internal::GetCapturedStdout();

        EXPECT_EQ(result, kExtractDamagedEntry);
        EXPECT_EQ(printed, "\nERROR: " + (dir / "out" / "big.txt").string() + "\n");
        EXPECT_EQ(readFile(dir / "out" / "big.txt"), "the old file");
        EXPECT_EQ(listTree(dir / "out"), std::vector<std::string>{"big.txt"});
    }
}

// The files are written on a thread of their own; one that cannot be written in full (here past
// the process's file size limit) fails the run, and neither it nor a temporary of it stays.
TEST_F(Extract7zArchive, AFileThatCannotBeWrittenInFullFailsAndLeavesNoTemporary)
{
    writeFile(src / "a.txt", "small");
    writeFile(src / "big.txt", bigText());
    writeFile(src / "z.txt", "small");
    make7z(archive, src);

    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const int result = extract(archive, out);
    std::signal(SIGXFSZ, previousHandler);
    setrlimit(RLIMIT_FSIZE, &previous);

    EXPECT_EQ(result, kExtractOutputFailed);
    for (const std::string &name : listTree(out)) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(name == "a.txt" || name == "z.txt");
        EXPECT_EQ(readFile(out / name), "small");
    }
}

TEST_F(Extract7zArchive, EntriesThatCannotBeDecodedFail)
{
    writeFile(src / "f.txt", bigText());
    for (const std::string methods : {"-m0=Deflate64", "-m0=LZMA -pSecret"}) {
        SCOPED_TRACE(methods);
        make7z(archive, src, methods);
        ::testing::internal::CaptureStdout();
        EXPECT_NE(extract(archive, out), kExtractOk);
        ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(fs::is_empty(out));
        fs::remove(archive);
    }
}

// An archive that names any place outside the output folder writes nothing at all, not even
// its harmless entries.
TEST_F(Extract7zArchive, HostileNamesAreRefusedBeforeAnythingIsWritten)
{
    struct Case
    {
        const char *name;
        std::string options;
        std::string entries;
    };
    // Run from work/x/y, so that "../../victim" names work/victim.
    const fs::path from = work / "x" / "y";
    fs::create_directories(from / "sub");
    writeFile(from / "harmless.txt", "h");
    writeFile(work / "victim", "victim");
    fs::create_symlink("../../../victim", from / "sub" / "up");
    fs::create_symlink((work / "victim").string(), from / "sub" / "absolute");
    fs::create_symlink("../harmless.txt", from / "sub" / "sideways");
    const std::string absoluteVictim = "'" + (work / "victim").string() + "'";
    const Case cases[] = {
        {"parent", "-spf", "harmless.txt ../../victim"},
        {"parent inside a name", "-spf", "harmless.txt sub/../../../victim"},
        {"absolute", "-spf", "harmless.txt " + absoluteVictim},
        {"link upwards", "-snl", "harmless.txt sub/up"},
        {"link to an absolute path", "-snl", "harmless.txt sub/absolute"},
        {"link with a parent step", "-snl", "harmless.txt sub/sideways"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path hostile = work / (std::string(c.name) + ".7z");
        make7z(hostile, from, c.options, c.entries);
        const fs::path target = work / "x" / "y" / "z" / (std::string(c.name) + "-out");
        fs::create_directories(target);

        EXPECT_EQ(extract(hostile, target), kExtractUnsafeEntry);
        EXPECT_TRUE(fs::is_empty(target));
        EXPECT_EQ(readFile(work / "victim"), "victim");
    }
}

// A link already in the output folder must not carry a file out of it.
TEST_F(Extract7zArchive, DoesNotWriteThroughLinksInTheOutputFolder)
{
    writeFile(src / "a" / "f.txt", "f");
    make7z(archive, src);
    const fs::path outside = work / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, out / "a");

    EXPECT_EQ(extract(archive, out), kExtractOutputFailed);
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(Extract7zArchive, AFileWhereAFolderStandsFails)
{
    writeFile(src / "a", "file");
    make7z(archive, src);
    fs::create_directories(out / "a" / "inner");

    EXPECT_EQ(extract(archive, out), kExtractOutputFailed);
    EXPECT_TRUE(fs::is_directory(out / "a" / "inner"));
    EXPECT_EQ(listTree(out), (std::vector<std::string>{"a", "a/inner"}));
}

} // namespace
