// Unpacks the same update archive with the client's extraction and with `7zz x -mmt1` (one
// thread, as the client decodes) into an empty folder on the same disk, and prints both
// throughputs in MB of unpacked data per second and their ratio ("ratio", the client's
// throughput over the tool's). The client's time includes making its files durable; the tool's
// does not. Every timed run starts with no dirty data on the file system, so that neither pays
// for the other's write-back. The scratch folder is made under TMPDIR (default /tmp).
#include "update/extract7zarchive.h"

#include "timedrun.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Content that compresses about as program files do: half of each block is random bytes, half
// words of a small vocabulary.
class ContentSource
{
public:
    std::string next(std::size_t size)
    {
        static const char *const words[] = {"update ", "client ", "window ", "folder ",
                                            "config ", "plugin ", "locale ", "render "};
        std::string data;
        data.reserve(size);
        while (data.size() < size) {
            for (int i = 0; i < 256 && data.size() < size; ++i)
                data += char(random() & 0xff);
            for (int i = 0; i < 40 && data.size() < size; ++i)
                data += words[random() % 8];
        }
        data.resize(size);
        return data;
    }

private:
    std::uint64_t random()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    std::uint64_t m_state = 0x9e3779b97f4a7c15ull;
};

fs::path makeScratch()
{
    std::string pattern = (fs::temp_directory_path() / "aulark-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

void writeWhole(const fs::path &file, const std::string &data)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    if (!out)
        std::abort();
}

double run(const std::vector<std::string> &command)
{
    const testsupport::TimedRun run = testsupport::runTimed(command);
    if (run.exitCode != 0)
        std::abort();
    return run.seconds;
}

void settle(const fs::path &folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || syncfs(fd) != 0)
        std::abort();
    close(fd);
}

// Times both extractions of `tree` (of `bytes` unpacked bytes), alternately, and reports the
// best run of each: the machine is shared, and the best run is the one least disturbed.
void compare(benchmark::State &state, const fs::path &scratch, std::uint64_t bytes)
{
    const fs::path archive = scratch / "update.7z";
    run({"sh", "-c",
         "cd '" + (scratch / "tree").string() +
             "' && 7zz a -bso0 -bsp0 -m0=BCJ2 -m1=LZMA -mf=off '" + archive.string() + "' ."});
    double own = 1e9, tool = 1e9;
    int round = 0;
    for (auto _ : state) {
        // Every run gets a folder of its own, and nothing is deleted before the end: on a file
        // system without a journal, ext4 passes over inodes freed in the last minutes when it
        // allocates new ones, which would make whichever run follows a removal pay for it.
        const std::string suffix = std::to_string(round++);
        const fs::path ownOut = scratch / ("own-" + suffix);
        fs::create_directory(ownOut);
        settle(scratch);
        const auto start = std::chrono::steady_clock::now();
        if (extract7zArchive(archive.c_str(), ownOut.c_str()) != kExtractOk)
            std::abort();
        const double ownSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        settle(scratch);
        const double toolSeconds =
            run({"7zz", "x", "-mmt1", "-bso0", "-bsp0", "-y",
                 "-o" + (scratch / ("tool-" + suffix)).string(), archive.string()});

        state.SetIterationTime(ownSeconds);
        own = std::min(own, ownSeconds);
        tool = std::min(tool, toolSeconds);
    }
    state.counters["own_MBps"] = double(bytes) / 1e6 / own;
    state.counters["7zz_MBps"] = double(bytes) / 1e6 / tool;
    state.counters["ratio"] = tool / own;
    std::error_code ec;
    fs::remove_all(scratch, ec);
}

void ManySmallFiles(benchmark::State &state)
{
    const fs::path scratch = makeScratch();
    ContentSource content;
    std::uint64_t bytes = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::size_t size = 1024 + (static_cast<std::size_t>(i) * 7919) % (63 * 1024);
        writeWhole(scratch / "tree" / ("d" + std::to_string(i % 40)) /
                       ("s" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".bin"),
                   content.next(size));
        bytes += size;
    }
    compare(state, scratch, bytes);
}
BENCHMARK(ManySmallFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void OneBigFile(benchmark::State &state)
{
    const fs::path scratch = makeScratch();
    ContentSource content;
    const std::size_t size = 200u * 1024 * 1024;
    writeWhole(scratch / "tree" / "big.bin", content.next(size));
    compare(state, scratch, size);
}
BENCHMARK(OneBigFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
