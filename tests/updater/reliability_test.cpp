#include "fixtures.h"
#include "tempdir.h"

#include <programnames.h>
#include <stagingname.h>
#include <updatefolders.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;
using testsupport::readFile;

namespace {

// About 4,000 files in 200 folders, a few of them large, and at the top the client and the
// program that the installer starts afterwards. Every fourth file is new to the program folder,
// and some installed files are not in the update at all.
constexpr int kFiles = 4000;
constexpr int kEntries = kFiles + 2;
constexpr int kClientEntry = kFiles;
constexpr int kHandOverEntry = kFiles + 1;
constexpr int kKeptFiles = 20;
// The program the option mode starts.
constexpr const char kHandOverProgram[] = "Quorvel";
// The option mode's download folder, and the argument and download folder of the mode in which
// the client hands over.
constexpr const char kOptionUpdates[] = "tupdates";
constexpr const char kClientArgument[] = "davadazeda://start/?";
constexpr const char *kClientUpdates = updatefolders::kUpdates;

std::string relativePath(int i)
{
    if (i == kClientEntry)
        return programnames::kClient;
    if (i == kHandOverEntry)
        return kHandOverProgram;
    return "d" + std::to_string(i % 20) + "/s" + std::to_string((i / 20) % 10) + "/f" +
           std::to_string(i) + ".dat";
}

bool isNewToTheFolder(int i)
{
    return i < kFiles && i % 4 == 0;
}

// Each version of a file is its version tag followed by the same filler, distinct per file.
const std::vector<std::string> &fillers()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> texts;
        for (int i = 0; i < kEntries; ++i) {
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

// The ready tree of `version` in the download folder `updates`; the program folder holds the
// version before it, less the files that are new to it.
void prepare(const fs::path &program, int version, const std::string &updates)
{
    const fs::path ready = program / updates / "ready";
    for (int i = 0; i < 200; ++i)
        fs::create_directories((ready / relativePath(i)).parent_path());
    for (int i = 0; i < kEntries; ++i) {
        writeWhole(ready / relativePath(i), content(version, i));
        if (isNewToTheFolder(i))
            fs::remove(program / relativePath(i));
    }
}

struct FolderState
{
    int newFiles = 0;
    int staged = 0;
    bool clientIsNew = false;
    bool handOverIsNew = false;
};

// Every file is wholly its old or wholly its new version (a file new to the folder may be absent);
// anything else must be a staged file.
FolderState checkProgramFolder(const fs::path &program, int version)
{
    std::map<std::string, int> expected;
    for (int i = 0; i < kEntries; ++i)
        expected[relativePath(i)] = i;
    FolderState state;
    const size_t prefix = program.string().size() + 1;
    for (auto it = fs::recursive_directory_iterator(program); it != fs::end(it); ++it) {
        const std::string relative = it->path().string().substr(prefix);
        if (relative == "Logs" || relative == kOptionUpdates || relative == kClientUpdates ||
            relative == programnames::kUpdater) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file())
            continue;
        if (updater::looksStaged(it->path().filename())) {
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
        state.clientIsNew = state.clientIsNew || (isNew && i == kClientEntry);
        state.handOverIsNew = state.handOverIsNew || (isNew && i == kHandOverEntry);
        expected.erase(found);
    }
    for (const auto &[relative, i] : expected)
        EXPECT_TRUE(isNewToTheFolder(i)) << relative << " went missing";
    // The client goes in last, the program started afterwards just before it.
    if (state.clientIsNew) {
        EXPECT_EQ(state.newFiles, kEntries) << "a new client beside old files";
    }
    if (state.handOverIsNew) {
        EXPECT_GE(state.newFiles, kEntries - 1) << "a new program to start beside old files";
    }
    return state;
}

// Starts `program` under the name `name` with the one argument `argument`, in a process group of
// its own when `ownGroup`.
pid_t start(const fs::path &program, const fs::path &name, const std::string &argument,
            bool ownGroup = false)
{
    const std::string argv0 = name.string();
    char *argv[] = {const_cast<char *>(argv0.c_str()), const_cast<char *>(argument.c_str()),
                    nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : 0;
}

// Starts the built client as if it were the program folder's own, the way a user starts it: the
// folder's client file holds test data, but the client takes its folder from the name it was
// started by. Returns the client's exit code once it and whatever it started have ended (the
// installer it hands over to is no child of the test: the test adopts it), -1 when they did
// not end within a minute.
int startThroughClient(const fs::path &program)
{
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
        return -1;
    const pid_t client = start(testsupport::buildProgramDir() / programnames::kClient,
                               program / programnames::kClient, kClientArgument, true);
    if (client <= 0)
        return -1;
    int clientStatus = -1;
    bool clientEnded = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t ended = waitpid(-1, &status, WNOHANG);
        if (ended < 0)
            return WIFEXITED(clientStatus) ? WEXITSTATUS(clientStatus) : -1;
        if (ended == client) {
            clientStatus = status;
            clientEnded = true;
        }
        if (ended == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // A client that went on instead of handing over does not outlive the test, nor do the
    // programs it started.
    kill(-client, SIGKILL);
    if (!clientEnded)
        waitpid(client, nullptr, 0);
    return -1;
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

// Byte offset in a log of the first line that begins with `text` (UTF-16LE).
uintmax_t logOffset(const std::string &log, const std::string &text)
{
    std::string wide;
    for (const char c : "\n" + text) {
        wide += c;
        wide += '\0';
    }
    const auto at = log.find(wide);
    return at == std::string::npos ? 0 : at + 2;
}

// The phase a killed run was in, told by the last line of its log that begins one.
std::string phaseOf(const std::vector<std::string> &lines)
{
    const struct
    {
        const char *prefix;
        const char *phase;
    } phases[] = {
        {"Fully clearing path", "clearing"},
        {"Update succeed!", "removing the old files"},
        {"Putting ", "swapping"},
        {"Copying file", "staging"},
    };
    const bool finishing = std::any_of(lines.begin(), lines.end(), [](const std::string &line) {
        return line.rfind("Found an interrupted update", 0) == 0;
    });
    const std::string of = finishing ? " (finishing a killed run)" : "";
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        for (const auto &p : phases) {
            if (line->rfind(p.prefix, 0) == 0)
                return p.phase + of;
        }
    }
    return "starting and listing" + of;
}

// Waits until `reached` holds, then `delay` more, and kills the run. False when the run ended
// first.
template <typename Reached>
bool killWhen(pid_t pid, Reached reached, std::chrono::microseconds delay)
{
    while (!reached()) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::this_thread::sleep_for(delay);
    if (waitpid(pid, nullptr, WNOHANG) == pid)
        return false;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return true;
}

// The same once the run's log has reached `logBytes`.
bool killAt(pid_t pid, const fs::path &program, uintmax_t logBytes, std::chrono::microseconds delay)
{
    return killWhen(
        pid, [&] { return logSize(program) >= logBytes; }, delay);
}

TEST(InstallerReliability, KilledAtAnyMomentLeavesOldOrNewAndTheNextRunCompletes)
{
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const fs::path updater = folder / programnames::kUpdater;
    fs::copy_file(testsupport::buildProgramDir() / programnames::kUpdater, updater);
    for (int k = 0; k < kKeptFiles; ++k)
        testsupport::writeFile(folder / "kept" / std::to_string(k), "kept " + std::to_string(k));

    // Versions 1 to 3 are installed whole. The log of the second tells where each phase from
    // the first swap on begins, since every later run logs the same lines (its folders exist
    // already); the third tells how long each of these phases takes. The option mode terminates
    // no program.
    const char *const phaseLines[] = {"Putting ", "Update succeed!", "Fully clearing path",
                                      "Executed "};
    constexpr size_t kLatePhases = 3;
    uintmax_t phaseBegins[kLatePhases + 1] = {};
    std::chrono::microseconds phaseTakes[kLatePhases] = {};
    int version = 0;
    for (; version < 3; ++version) {
        fs::remove_all(folder / "Logs");
        prepare(folder.path(), version + 1, kOptionUpdates);
        const pid_t pid = start(updater, updater, "-update");
        ASSERT_GT(pid, 0);
        if (version == 2) {
            const auto reach = [&](uintmax_t bytes) {
                while (logSize(folder.path()) < bytes && waitpid(pid, nullptr, WNOHANG) == 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                return std::chrono::steady_clock::now();
            };
            // A line is written in one piece: once the log holds a byte of it, it holds it all.
            auto from = reach(phaseBegins[0] + 1);
            for (size_t k = 0; k < kLatePhases; ++k) {
                const auto to = reach(phaseBegins[k + 1] + 1);
                phaseTakes[k] = std::chrono::duration_cast<std::chrono::microseconds>(to - from);
                from = to;
            }
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_EQ(status, 0);
        ASSERT_EQ(checkProgramFolder(folder.path(), version + 1).newFiles, kEntries);
        const std::string log = readFile(updatertest::onlyLogFile(folder.path()));
        for (size_t k = 0; version == 1 && k <= kLatePhases; ++k) {
            phaseBegins[k] = logOffset(log, phaseLines[k]);
            ASSERT_GT(phaseBegins[k], k == 0 ? 0u : phaseBegins[k - 1]) << phaseLines[k];
        }
    }
    std::chrono::microseconds tail{0};
    for (const auto takes : phaseTakes)
        tail += takes;

    const unsigned seed = std::random_device{}();
    std::cout << "kill moments drawn from seed " << seed << "; from the first swap on a run takes "
              << tail.count() << " us\n";
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const auto chance = [&](double p) {
        return std::uniform_real_distribution<>(0, 1)(random) < p;
    };
    const auto upTo = [&](std::chrono::microseconds limit) {
        return std::chrono::microseconds(
            std::uniform_int_distribution<long long>(0, limit.count())(random));
    };

    std::map<std::string, int> killsByPhase;
    const char *const wantedPhases[] = {"staging", "swapping", "removing the old files",
                                        "clearing"};
    // A kill in a phase counts for it whether the run was a fresh one or finished a killed one.
    const auto killsIn = [&](const std::string &phase) {
        int count = 0;
        for (const auto &[name, n] : killsByPhase) {
            if (name.compare(0, phase.size(), phase) == 0 &&
                (name.size() == phase.size() || name[phase.size()] == ' '))
                count += n;
        }
        return count;
    };
    const auto everyPhaseHit = [&] {
        return std::all_of(std::begin(wantedPhases), std::end(wantedPhases),
                           [&](const char *phase) { return killsIn(phase) > 0; });
    };
    int kills = 0;
    constexpr int kKills = 50;
    // Now and then a run is killed in the mode in which the client hands over, and the client is
    // started after the kill instead of the installer: it must find the journal and hand the
    // folder over to the installer, which completes the install.
    int clientHandOvers = 0;
    // A loaded machine can make a short phase miss its kills by chance: go on until each phase
    // had one, within a bound.
    while ((kills < kKills || !everyPhaseHit() || clientHandOvers == 0) &&
           version < 3 + 3 * kKills) {
        ++version;
        SCOPED_TRACE("version " + std::to_string(version));
        const bool throughClient = version % 8 == 0 || (kills >= kKills && clientHandOvers == 0);
        const std::string updates = throughClient ? kClientUpdates : kOptionUpdates;
        const std::string argument = throughClient ? kClientArgument : "-update";
        const fs::path journal = folder / updates / "install.journal";
        prepare(folder.path(), version, updates);

        // A run is killed anywhere: by its log while it lists and stages, or at any moment from
        // its first swap to the end of its clearing. The runs after a kill may be killed too,
        // most of all while they finish a killed run, until one is let through.
        bool completed = false;
        for (int run = 0; !completed && (run == 0 || (!throughClient && run < 5 && chance(0.7)));
             ++run) {
            const bool finishing = fs::exists(journal);
            fs::remove_all(folder / "Logs");
            const pid_t pid = start(updater, updater, argument);
            ASSERT_GT(pid, 0);
            bool killed = false;
            if (throughClient) {
                // Once the journal is there, so that the client has one to find.
                killed = killWhen(
                    pid, [&] { return fs::exists(journal); }, upTo(phaseTakes[0]));
            } else if (finishing) {
                killed = killAt(pid, folder.path(), 0, upTo(tail));
            } else if (chance(0.4)) {
                const uintmax_t at =
                    std::uniform_int_distribution<uintmax_t>(0, phaseBegins[0])(random);
                killed = killAt(pid, folder.path(), at, upTo(std::chrono::microseconds(300)));
            } else {
                const size_t k = std::uniform_int_distribution<size_t>(0, kLatePhases - 1)(random);
                killed = killAt(pid, folder.path(), phaseBegins[k] + 1, upTo(phaseTakes[k]));
            }
            completed = !killed;
            std::error_code ec;
            if (killed) {
                ++kills;
                const bool logged =
                    fs::exists(folder / "Logs", ec) && !fs::is_empty(folder / "Logs", ec);
                ++killsByPhase[logged ? phaseOf(updatertest::readLogLines(
                                            updatertest::onlyLogFile(folder.path())))
                                      : "starting"];
            }
            // A client that starts now and finds no journal runs what it finds: one version.
            const FolderState state = checkProgramFolder(folder.path(), version);
            if (!fs::exists(journal)) {
                EXPECT_EQ(state.staged, 0);
                EXPECT_TRUE(state.newFiles == 0 || state.newFiles == kEntries) << state.newFiles;
            }
            if (HasFailure())
                return;
        }
        if (!completed && throughClient && fs::exists(journal)) {
            fs::remove_all(folder / "Logs");
            ASSERT_EQ(startThroughClient(folder.path()), 0);
            const fs::path clientLog = folder / "aulark.log";
            EXPECT_NE(readFile(clientLog).find("handing over to the installer"), std::string::npos)
                << readFile(clientLog);
            fs::remove(clientLog);
            const auto lines = updatertest::readLogLines(updatertest::onlyLogFile(folder.path()));
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string &line) {
                return line.rfind("Found an interrupted update", 0) == 0;
            }));
            ++clientHandOvers;
        } else if (!completed) {
            fs::remove_all(folder / "Logs");
            ASSERT_EQ(updatertest::runProgram(updater.string(), {argument}), 0);
        }

        const FolderState after = checkProgramFolder(folder.path(), version);
        EXPECT_EQ(after.newFiles, kEntries);
        EXPECT_EQ(after.staged, 0);
        EXPECT_FALSE(fs::exists(folder / updates));
        if (HasFailure())
            return;
    }

    EXPECT_GE(kills, kKills);
    EXPECT_GT(clientHandOvers, 0) << "the client never found a journal to hand over";
    for (const auto &[phase, count] : killsByPhase)
        std::cout << "killed while " << phase << ": " << count << "\n";
    std::cout << "the client handed over " << clientHandOvers << " killed runs\n";
    for (const char *phase : wantedPhases)
        EXPECT_GT(killsIn(phase), 0) << "no kill while " << phase;
}

} // namespace
