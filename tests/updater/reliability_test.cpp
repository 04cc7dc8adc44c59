#include "fixtures.h"
#include "tempdir.h"

#include <fileops.h>
#include <programnames.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;
using testsupport::readFile;

namespace {

// About 4,000 files in 200 folders, a few of them large. Every fourth file is new to the program
// folder, and some installed files are not in the update at all.
constexpr int kFiles = 4000;
constexpr int kKeptFiles = 20;

std::string relativePath(int i)
{
    return "d" + std::to_string(i % 20) + "/s" + std::to_string((i / 20) % 10) + "/f" +
           std::to_string(i) + ".dat";
}

bool isNewToTheFolder(int i)
{
    return i % 4 == 0;
}

// Each version of a file is its version tag followed by the same filler, distinct per file.
const std::vector<std::string> &fillers()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> texts;
        for (int i = 0; i < kFiles; ++i) {
            const size_t size =
                i % 800 == 7 ? (1u << 20) : 1024 + (static_cast<size_t>(i) * 7919) % 3072;
            std::string text = ":" + relativePath(i) + "\n";
            text.resize(size, static_cast<char>('a' + i % 26));
            texts.push_back(text);
        }
        return texts;
    }();
    return all;
}

std::string content(int version, int i)
{
    return "v" + std::to_string(version) + fillers()[i];
}

void writeWhole(const fs::path &file, const std::string &text)
{
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << file;
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
}

// The ready tree of `version`; the program folder holds the version before it, less the files
// that are new to it.
void prepare(const fs::path &program, int version)
{
    const fs::path ready = program / "tupdates" / "ready";
    for (int i = 0; i < 200; ++i)
        fs::create_directories((ready / relativePath(i)).parent_path());
    for (int i = 0; i < kFiles; ++i) {
        writeWhole(ready / relativePath(i), content(version, i));
        if (isNewToTheFolder(i))
            fs::remove(program / relativePath(i));
    }
}

bool isStaged(const fs::path &file)
{
    const std::string name = file.filename().string();
    const std::string suffix = updater::kStagingSuffix;
    return name.size() > suffix.size() + 1 && name[0] == '.' &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

struct FolderState
{
    int newFiles = 0;
    int staged = 0;
};

// Every file is wholly its old or wholly its new version (a file new to the folder may be absent);
// anything else must be a staged file.
FolderState checkProgramFolder(const fs::path &program, int version)
{
    std::map<std::string, int> expected;
    for (int i = 0; i < kFiles; ++i)
        expected[relativePath(i)] = i;
    FolderState state;
    const size_t prefix = program.string().size() + 1;
    for (auto it = fs::recursive_directory_iterator(program); it != fs::end(it); ++it) {
        const std::string relative = it->path().string().substr(prefix);
        if (relative == "Logs" || relative == "tupdates" || relative == programnames::kUpdater) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file())
            continue;
        if (isStaged(it->path())) {
            ++state.staged;
            continue;
        }
        if (relative.rfind("kept/", 0) == 0) {
            EXPECT_EQ(readFile(it->path()), "kept " + relative.substr(5));
            continue;
        }
        const auto found = expected.find(relative);
        if (found == expected.end()) {
            ADD_FAILURE() << "unexpected file " << relative;
            continue;
        }
        const int i = found->second;
        const std::string text = readFile(it->path());
        const bool isNew = text == content(version, i);
        const bool isOld = !isNewToTheFolder(i) && text == content(version - 1, i);
        EXPECT_TRUE(isNew || isOld) << relative << " is neither its old nor its new version";
        state.newFiles += isNew;
        expected.erase(found);
    }
    for (const auto &[relative, i] : expected)
        EXPECT_TRUE(isNewToTheFolder(i)) << relative << " went missing";
    return state;
}

pid_t startUpdater(const fs::path &updater)
{
    const std::string program = updater.string();
    char update[] = "-update";
    char *argv[] = {const_cast<char *>(program.c_str()), update, nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) == 0 ? pid : 0;
}

// A program folder in memory when there is room: the kills test the installer's order of steps,
// not the disk, and the many small files would otherwise take most of the test's time.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        struct statvfs shm
        {
        };
        const bool roomy =
            statvfs("/dev/shm", &shm) == 0 &&
            static_cast<unsigned long long>(shm.f_bavail) * shm.f_frsize > (512ull << 20);
        std::string pattern = (roomy ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                              "aulark-reliability-XXXXXX";
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const fs::path &path() const { return m_path; }
    fs::path operator/(const std::string &name) const { return m_path / name; }

private:
    fs::path m_path;
};

// Size of the run's log so far (each run starts without a log folder, so it has one file).
uintmax_t logSize(const fs::path &program)
{
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(program / "Logs", ec))
        return entry.file_size(ec);
    return 0;
}

// Byte offset in a log of the first line that begins with `text` (UTF-16LE), or of its end.
uintmax_t logOffset(const std::string &log, const std::string &text, bool end)
{
    std::string wide;
    for (const char c : "\n" + text) {
        wide += c;
        wide += '\0';
    }
    const auto at = log.find(wide);
    if (at == std::string::npos)
        return 0;
    const uintmax_t lineStart = at + 2;
    if (!end)
        return lineStart;
    return log.find(std::string("\r\0\n\0", 4), lineStart) + 4;
}

// Where in a run to kill: once the log has reached `logBytes`, after `delay`.
struct KillPoint
{
    const char *label;
    uintmax_t logBytes;
    std::chrono::microseconds delay;
};

TEST(InstallerReliability, KilledAtAnyPointLeavesWholeFilesAndASecondRunCompletes)
{
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const fs::path updater = folder / programnames::kUpdater;
    fs::copy_file(testsupport::buildProgramDir() / programnames::kUpdater, updater);
    for (int k = 0; k < kKeptFiles; ++k)
        testsupport::writeFile(folder / "kept" / std::to_string(k), "kept " + std::to_string(k));

    // Versions 1 and 2 are installed whole. The log of the second tells where each phase of a
    // run begins and ends, since every later run logs the same lines (its folders exist
    // already). The option mode terminates no program.
    int version = 0;
    for (; version < 2; ++version) {
        fs::remove_all(folder / "Logs");
        prepare(folder.path(), version + 1);
        ASSERT_EQ(updatertest::runProgram(updater.string(), {"-update"}), 0);
        ASSERT_EQ(checkProgramFolder(folder.path(), version + 1).newFiles, kFiles);
    }
    const std::string log = readFile(updatertest::onlyLogFile(folder.path()));
    const uintmax_t listed = logOffset(log, "Forcing dir", false);
    const uintmax_t staging = logOffset(log, "Copying file", false);
    const uintmax_t staged = logOffset(log, "Update succeed!", false);
    const uintmax_t clearing = logOffset(log, "Fully clearing path", true);
    ASSERT_TRUE(listed > 0 && staging > listed && staged > staging && clearing > staged);
    const auto within = [](uintmax_t from, uintmax_t to, double part) {
        return from + static_cast<uintmax_t>(static_cast<double>(to - from) * part);
    };
    using std::chrono::microseconds;
    const KillPoint points[] = {
        {"listing", listed / 3, microseconds(0)},
        {"end of listing", listed, microseconds(0)},
        {"staging begun", within(staging, staged, 0.05), microseconds(0)},
        {"staging a third", within(staging, staged, 0.33), microseconds(0)},
        {"staging two thirds", within(staging, staged, 0.66), microseconds(0)},
        {"last files staged", staged, microseconds(0)},
        {"putting in place", staged, microseconds(2000)},
        {"putting in place later", staged, microseconds(8000)},
        {"putting in place, last", staged, microseconds(20000)},
        {"clearing", clearing, microseconds(3000)},
    };

    for (const KillPoint &point : points) {
        ++version;
        SCOPED_TRACE(std::string("killed at: ") + point.label);
        fs::remove_all(folder / "Logs");
        prepare(folder.path(), version);
        const pid_t pid = startUpdater(updater);
        ASSERT_GT(pid, 0);
        bool ended = false;
        while (!ended && logSize(folder.path()) < point.logBytes)
            ended = waitpid(pid, nullptr, WNOHANG) == pid ||
                    (std::this_thread::sleep_for(microseconds(100)), false);
        if (!ended) {
            std::this_thread::sleep_for(point.delay);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }

        checkProgramFolder(folder.path(), version);
        if (HasFailure())
            return;

        ASSERT_EQ(updatertest::runProgram(updater.string(), {"-update"}), 0);
        const FolderState after = checkProgramFolder(folder.path(), version);
        EXPECT_EQ(after.newFiles, kFiles);
        EXPECT_EQ(after.staged, 0);
        EXPECT_FALSE(fs::exists(folder / "tupdates"));
        if (HasFailure())
            return;
    }
}

} // namespace
