// The upload path's two passes over an 11 MB file of handwriting: the CRC-32 as the frames arrive
// (252 bytes each) and the decoding of the whole file into points.
#include "handwriting.h"
#include "strokedecoder.h"
#include "uploadcrc.h"
#include "uploadpoints.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::size_t kUploadBytes = 11'000'000;
constexpr std::size_t kFramePayload = 252;

const pensim::Handwriting &upload()
{
    static const pensim::Handwriting file = pensim::handwriting(kUploadBytes, 1);
    return file;
}

void BM_UploadCrcByFrame(benchmark::State &state)
{
    const pensim::Bytes &bytes = upload().upload;
    for (auto _ : state) {
        std::uint32_t crc = 0;
        for (std::size_t at = 0; at < bytes.size(); at += kFramePayload)
            crc = scrivlo::crc32Update(crc, bytes.data() + at,
                                       std::min(kFramePayload, bytes.size() - at));
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
}
BENCHMARK(BM_UploadCrcByFrame)->Unit(benchmark::kMillisecond);

void BM_DecodeUpload(benchmark::State &state)
{
    const pensim::Bytes &bytes = upload().upload;
    scrivlo::UploadPoints points;
    for (auto _ : state) {
        const scrivlo::DecodeResult result =
            scrivlo::decodeUpload(bytes.data(), bytes.size(), points);
        benchmark::DoNotOptimize(result);
        if (points.count() != upload().points.size()) {
            state.SkipWithError("the upload did not decode to its points");
            return;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(points.count()) * state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
    state.counters["points"] = static_cast<double>(points.count());
}
BENCHMARK(BM_DecodeUpload)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
