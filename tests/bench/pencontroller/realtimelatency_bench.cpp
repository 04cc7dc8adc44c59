// Time from the receiver's write of a real-time point to the library's callback, through the
// built library, the serial layer and a pseudo-terminal, one point at a time.
#include "testbed.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_count{0};
std::atomic<Clock::rep> g_lastAt{0};

void SCRIVLO_CALL onPoint(int, int, int)
{
    g_lastAt.store(Clock::now().time_since_epoch().count());
    g_count.fetch_add(1);
}

double percentile(std::vector<double> sorted, double p)
{
    std::sort(sorted.begin(), sorted.end());
    const std::size_t at = std::min(sorted.size() - 1, static_cast<std::size_t>(p * sorted.size()));
    return sorted[at];
}

void BM_RealTimePointLatency(benchmark::State &state)
{
    constexpr int kPoints = 5000;
    TestBed bed;
    PenLibrary &lib = bed.library();
    lib.SetCallBackForRealTimePenDatas(&onPoint);
    if (lib.openPort() != PenOk) {
        state.SkipWithError("no receiver found");
        return;
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        latencies.clear();
        g_count = 0;
        for (int i = 0; i < kPoints; ++i) {
            const pensim::Bytes frame =
                pensim::realTimeFrame({{static_cast<std::uint16_t>(i % 21000), 1000, 500}});
            const Clock::time_point sent = Clock::now();
            bed.simulator().send(frame);
            const Clock::time_point giveUp = sent + std::chrono::seconds(2);
            while (g_count.load() <= i && Clock::now() < giveUp)
                std::this_thread::yield();
            if (g_count.load() <= i) {
                state.SkipWithError("a point did not arrive");
                return;
            }
            const Clock::time_point at{Clock::duration(g_lastAt.load())};
            latencies.push_back(std::chrono::duration<double, std::micro>(at - sent).count());
        }
    }
    const double p50 = percentile(latencies, 0.50);
    const double p99 = percentile(latencies, 0.99);
    state.counters["p50_us"] = p50;
    state.counters["p99_us"] = p99;
    state.counters["max_us"] = percentile(latencies, 1.0);
    std::printf("real-time point latency over %d points: p50 %.1f us, p99 %.1f us\n", kPoints, p50,
                p99);
}
BENCHMARK(BM_RealTimePointLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
