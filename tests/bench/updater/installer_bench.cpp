// Installs a tree of 4,000 files of 1 to 64 KB over an installed older version of it, once with
// the installer and once with `cp -a` followed by `sync -f` (the installer makes its result
// durable, so the copy must too), and prints the ratio of the wall times ("ratio"). The program
// folder lies on the disk of the temporary folder; the update tree lies either beside it on the
// same file system or in memory (/dev/shm), on another one.
//
// A second benchmark runs the install in-process, once as it is and once with its syncs left out,
// and prints what the syncs cost.
#include <copyrun.h>
#include <fileops.h>
#include <installerlog.h>
#include <programnames.h>
#include <prompt.h>

#include "timedrun.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 4000;

fs::path makeScratch(const fs::path &base)
{
    std::string pattern = (base / "aulark-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

// Removes a scratch folder on every way out.
class Scratch
{
public:
    explicit Scratch(const fs::path &base) : m_path(makeScratch(base)) {}
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    fs::path operator/(const std::string &name) const { return m_path / name; }

private:
    fs::path m_path;
};

void writeTree(const fs::path &root, char fill)
{
    std::string data(64 * 1024, fill);
    for (int i = 0; i < kFiles; ++i) {
        const fs::path file = root / ("d" + std::to_string(i % 40)) /
                              ("s" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".bin");
        fs::create_directories(file.parent_path());
        const size_t size = 1024 + (static_cast<size_t>(i) * 7919) % (63 * 1024);
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || write(fd, data.data(), size) != static_cast<ssize_t>(size))
            std::abort();
        close(fd);
    }
}

double run(const std::vector<std::string> &command)
{
    return testsupport::runTimed(command).seconds;
}

// Nothing that the preparation wrote may be left for the timed run to write out.
void settle(const fs::path &folder)
{
    run({"sync", "-f", folder.string()});
}

// A program folder holding the old tree and the installer, with the new tree as its unpacked
// update; `base` is where the update tree's folder "tupdates" lies (it is linked into the program
// folder when elsewhere).
void installedWithUpdate(const fs::path &program, const fs::path &update, const fs::path &base)
{
    fs::remove_all(program);
    fs::remove_all(base);
    writeTree(program, 'o');
    fs::create_directories(base);
    run({"cp", "-a", update.string(), (base / "ready").string()});
    if (base != program / "tupdates")
        fs::create_directory_symlink(base, program / "tupdates");
    fs::copy_file(fs::path(AULARK_BUILD_PROGRAM_DIR) / programnames::kUpdater,
                  program / programnames::kUpdater);
    settle(program);
    settle(base);
}

// The folders of one benchmark: the program folder on the disk of the temporary folder, and the
// update tree beside it (argument 0) or in memory, on another file system (argument 1).
class Layout
{
public:
    explicit Layout(benchmark::State &state)
        : m_inMemory(state.range(0) == 1), m_disk(fs::temp_directory_path()),
          m_memory(m_inMemory ? fs::path("/dev/shm") : fs::temp_directory_path())
    {
        state.SetLabel(m_inMemory ? "update tree in memory, another file system"
                                  : "update tree on the same file system");
        writeTree(update(), 'n');
    }
    static bool canRun(benchmark::State &state)
    {
        if (state.range(0) == 1 && !fs::is_directory("/dev/shm")) {
            state.SkipWithError("no /dev/shm");
            return false;
        }
        return true;
    }

    fs::path update() const { return (m_inMemory ? m_memory : m_disk) / "tree"; }
    fs::path onDisk(const std::string &name) const { return m_disk / name; }
    fs::path program() const { return m_disk / "program"; }
    // The program folder with the old tree, and the new one unpacked as its update.
    void prepareInstall() const
    {
        installedWithUpdate(program(), update(),
                            m_inMemory ? m_memory / "tupdates" : program() / "tupdates");
    }

private:
    bool m_inMemory;
    Scratch m_disk;
    Scratch m_memory;
};

void InstallerAgainstCopyAndSync(benchmark::State &state)
{
    if (!Layout::canRun(state))
        return;
    const Layout layout(state);
    double installer = 0, copy = 0;
    for (auto _ : state) {
        // cp -a over an installed tree, then everything on the disk.
        const fs::path copied = layout.onDisk("copied");
        fs::remove_all(copied);
        writeTree(copied, 'o');
        settle(copied);
        const double copySeconds =
            run({"cp", "-a", layout.update().string() + "/.", copied.string()}) +
            run({"sync", "-f", copied.string()});

        // The installer over the same installed tree, from its ready folder (option mode: it
        // terminates nothing).
        layout.prepareInstall();
        const fs::path updater = layout.program() / programnames::kUpdater;
        const double installerSeconds = run({updater.string(), "-update"});
        if (fs::exists(layout.program() / "tupdates" / "ready"))
            state.SkipWithError("the installer left its update tree");

        state.SetIterationTime(installerSeconds);
        installer += installerSeconds;
        copy += copySeconds;
    }
    state.counters["cp_a_sync_s"] = benchmark::Counter(copy, benchmark::Counter::kAvgIterations);
    state.counters["installer_s"] =
        benchmark::Counter(installer, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = copy > 0 ? installer / copy : 0;
}
BENCHMARK(InstallerAgainstCopyAndSync)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The real file operations without their syncs.
class UnsyncedFileOps : public updater::FileOps
{
public:
    int syncFileSystem(const std::string &) override { return 0; }
    int syncFolder(const std::string &) override { return 0; }
};

class SilentPrompt : public updater::Prompt
{
public:
    void errorBox(const std::string &, const std::string &) override {}
    Answer retryCancel(const std::string &, const std::string &) override { return Answer::Cancel; }
};

double installInProcess(const fs::path &program, updater::FileOps &files)
{
    updater::UpdatePaths paths;
    paths.targetDir = program.string() + "/";
    paths.readyFolder = "tupdates/ready";
    paths.updatesFolder = "tupdates";
    SilentPrompt prompt;
    updater::InstallerLog log(prompt);
    updater::CopyRunServices services{log, prompt, files, {}};
    const auto start = std::chrono::steady_clock::now();
    if (!updater::runUpdate(paths, services))
        std::abort();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void CostOfTheSyncs(benchmark::State &state)
{
    if (!Layout::canRun(state))
        return;
    const Layout layout(state);
    double synced = 0, unsynced = 0;
    for (auto _ : state) {
        updater::FileOps real;
        layout.prepareInstall();
        const double syncedSeconds = installInProcess(layout.program(), real);
        UnsyncedFileOps unsyncedFiles;
        layout.prepareInstall();
        const double unsyncedSeconds = installInProcess(layout.program(), unsyncedFiles);
        state.SetIterationTime(syncedSeconds);
        synced += syncedSeconds;
        unsynced += unsyncedSeconds;
    }
    state.counters["with_syncs_s"] = benchmark::Counter(synced, benchmark::Counter::kAvgIterations);
    state.counters["without_syncs_s"] =
        benchmark::Counter(unsynced, benchmark::Counter::kAvgIterations);
    state.counters["syncs_cost_s"] =
        benchmark::Counter(synced - unsynced, benchmark::Counter::kAvgIterations);
}
BENCHMARK(CostOfTheSyncs)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

BENCHMARK_MAIN();
