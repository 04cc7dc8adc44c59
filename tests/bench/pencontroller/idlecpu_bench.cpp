// What a loaded library costs while no pen is in use: its worker runs, no port is open.
#include "penlibrary.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

double processCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Wake-ups of every thread of the process so far.
long contextSwitches()
{
    long total = 0;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string key;
        long value = 0;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                status >> value;
                total += value;
            }
        }
    }
    return total;
}

void BM_IdleLibrary(benchmark::State &state)
{
    PenLibrary lib;
    if (!lib.loaded()) {
        state.SkipWithError("library not loaded");
        return;
    }
    constexpr double kSeconds = 2.0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    double cpu = 0;
    long wakeups = 0;
    for (auto _ : state) {
        const double cpu0 = processCpuMs();
        const long switches0 = contextSwitches();
        std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
        // The sleeping main thread itself wakes once.
        wakeups = contextSwitches() - switches0 - 1;
        cpu = processCpuMs() - cpu0;
    }
    state.counters["cpu_ms_per_s"] = cpu / kSeconds;
    state.counters["wakeups_per_s"] = static_cast<double>(wakeups) / kSeconds;
    std::printf("idle library: %.3f ms CPU and %.1f wake-ups per second\n", cpu / kSeconds,
                static_cast<double>(wakeups) / kSeconds);
}
BENCHMARK(BM_IdleLibrary)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
