// Assembly and dispatch of a mixed reply stream, read in chunks of 512 bytes as the worker reads.
#include "frameassembler.h"
#include "protocol.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Does the cheap part of what the reply parser does with every frame: looks at channel, code and
// sub-fields and walks real-time points.
class Dispatcher : public scrivlo::FrameDispatcher
{
public:
    void dispatchReply(const scrivlo::ReplyFrame &frame) override
    {
        ++frames;
        if (frame.channel == scrivlo::protocol::kChannelRealTime) {
            const std::size_t n = frame.subDataAvailable() / 6;
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint8_t *p = frame.subData() + 6 * i;
                sum += static_cast<unsigned>(p[0] | p[1] << 8) +
                       static_cast<unsigned>(p[4] | p[5] << 8);
            }
        } else {
            sum += frame.code() + frame.subLength() + frame.length;
        }
    }
    std::uint64_t frames = 0;
    std::uint64_t sum = 0;
};

void append(std::vector<std::uint8_t> &out, std::initializer_list<std::uint8_t> bytes)
{
    out.insert(out.end(), bytes);
}

// Mostly real-time points, some pen and receiver replies, upload data and line noise.
std::vector<std::uint8_t> mixedStream(std::size_t size)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> s;
    while (s.size() < size) {
        const unsigned kind = random() % 10;
        if (kind < 6) {
            const int points = 1 + random() % 3;
            append(s, {0xFF, 0x01, static_cast<std::uint8_t>(2 + 6 * points), 0x00,
                       static_cast<std::uint8_t>(6 * points)});
            for (int i = 0; i < 6 * points; ++i)
                s.push_back(static_cast<std::uint8_t>(random()));
        } else if (kind < 8) {
            append(s, {0xFF, 0x02, 0x04, 0x2D, 0x02, 0x10, 0x27});
        } else if (kind == 8) {
            s.push_back(0xFF);
            s.push_back(0x03);
            s.push_back(240);
            for (int i = 0; i < 240; ++i)
                s.push_back(static_cast<std::uint8_t>(random()));
        } else {
            append(s, {0x00, 0x13, 0xFF, 0x09, 0xFE, 0xFF, 0xFF});
        }
    }
    s.resize(size - size % 512);
    return s;
}

void BM_AssembleAndDispatch(benchmark::State &state)
{
    const std::vector<std::uint8_t> stream = mixedStream(1 << 22);
    Dispatcher dispatcher;
    scrivlo::FrameAssembler assembler(dispatcher);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += 512)
            assembler.feed(stream.data() + at, 512);
        benchmark::DoNotOptimize(dispatcher.sum);
    }
    const double bytes =
        static_cast<double>(stream.size()) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    // How many times the line's 11,520 bytes per second one core keeps up with.
    state.counters["line_multiple"] =
        benchmark::Counter(bytes / 11520.0, benchmark::Counter::kIsRate);
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(dispatcher.frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AssembleAndDispatch)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
