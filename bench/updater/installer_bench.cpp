// Installs a tree of 4,000 files of 1 to 64 KB over an installed older version of it, once with
// the installer and once with `cp -a`, on the same disk, and prints the ratio of the wall times
// ("ratio"). The installer also clears its ready tree, so the ratio to `cp -a` followed by
// `rm -rf` of such a tree is printed as well.
#include <programnames.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 4000;

fs::path makeScratch()
{
    std::string pattern = (fs::temp_directory_path() / "aulark-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

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
    std::vector<char *> argv;
    for (const std::string &part : command)
        argv.push_back(const_cast<char *>(part.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        std::abort();
    int status = 0;
    waitpid(pid, &status, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void InstallerAgainstCopy(benchmark::State &state)
{
    const fs::path scratch = makeScratch();
    const fs::path update = scratch / "update";
    writeTree(update, 'n');
    double installer = 0, copy = 0, removal = 0;
    for (auto _ : state) {
        // cp -a over an installed tree.
        const fs::path copied = scratch / "copied";
        fs::remove_all(copied);
        writeTree(copied, 'o');
        const double copySeconds = run({"cp", "-a", update.string() + "/.", copied.string()});
        // The installer also removes the ready tree afterwards; this is what that alone costs.
        const fs::path spent = scratch / "spent";
        fs::remove_all(spent);
        run({"cp", "-a", update.string(), spent.string()});
        const double removeSeconds = run({"rm", "-rf", spent.string()});

        // The installer over the same installed tree, from its ready folder (option mode: it
        // terminates nothing).
        const fs::path program = scratch / "program";
        fs::remove_all(program);
        writeTree(program, 'o');
        fs::create_directories(program / "tupdates");
        run({"cp", "-a", update.string(), (program / "tupdates" / "ready").string()});
        const fs::path updater = program / programnames::kUpdater;
        fs::copy_file(fs::path(AULARK_BUILD_PROGRAM_DIR) / programnames::kUpdater, updater);
        const double installerSeconds = run({updater.string(), "-update"});

        state.SetIterationTime(installerSeconds);
        installer += installerSeconds;
        copy += copySeconds;
        removal += removeSeconds;
    }
    state.counters["cp_a_s"] = benchmark::Counter(copy, benchmark::Counter::kAvgIterations);
    state.counters["installer_s"] =
        benchmark::Counter(installer, benchmark::Counter::kAvgIterations);
    state.counters["rm_rf_s"] = benchmark::Counter(removal, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = copy > 0 ? installer / copy : 0;
    state.counters["ratio_to_cp_and_rm"] = copy > 0 ? installer / (copy + removal) : 0;
    std::error_code ec;
    fs::remove_all(scratch, ec);
}
BENCHMARK(InstallerAgainstCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
