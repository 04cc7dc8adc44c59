// Decodes arbitrary bytes as a stored-stroke upload held in an allocation of exactly their size,
// so that AddressSanitizer reports any read past the upload, and checks the points against a
// plain bit-by-bit model of the format. The same bytes, cut into frames, must chain to the CRC of
// the whole.
#include "strokedecoder.h"
#include "uploadcrc.h"
#include "uploadpoints.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Point
{
    std::uint16_t x, y, pressure;
};

// The format written out as plainly as it can be: every bit in a vector, missing bits zero.
std::vector<Point> reference(const std::uint8_t *bytes, std::size_t size)
{
    auto byteAt = [&](std::size_t i) -> unsigned { return i < size ? bytes[i] : 0u; };
    std::vector<Point> points;
    std::uint32_t x = byteAt(0) | byteAt(1) << 8;
    std::uint32_t y = byteAt(2) | byteAt(3) << 8;
    std::uint32_t p = byteAt(4) | byteAt(5) << 8;
    for (std::size_t block = 6; block < size;) {
        const unsigned width = bytes[block];
        const std::size_t bitCount = 30 * (1 + width);
        std::vector<bool> bits;
        for (std::size_t i = 0; i < bitCount; ++i)
            bits.push_back(((byteAt(block + 1 + i / 8) >> (7 - i % 8)) & 1) != 0);
        std::size_t at = 0;
        auto value = [&]() {
            const bool negative = bits[at++];
            std::uint64_t magnitude = 0;
            for (unsigned i = 0; i < width; ++i)
                magnitude = (magnitude << 1) | (bits[at++] ? 1 : 0);
            const std::uint32_t low = static_cast<std::uint32_t>(magnitude);
            return negative ? 0u - low : low;
        };
        for (int i = 0; i < 10; ++i) {
            x += value();
            y += value();
            p += value();
            points.push_back({static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                              static_cast<std::uint16_t>(p)});
        }
        block += 1 + (bitCount + 7) / 8;
    }
    return points;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static scrivlo::UploadPoints points;
    std::unique_ptr<std::uint8_t[]> upload(new std::uint8_t[size ? size : 1]);
    std::copy(data, data + size, upload.get());

    // The arrays are sized from the byte count alone: a bound that is too low loses points.
    if (scrivlo::decodeUpload(upload.get(), size, points) != scrivlo::DecodeResult::Decoded)
        std::abort();
    const std::vector<Point> expected = reference(upload.get(), size);
    if (points.count() != expected.size())
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (points.x(i) != expected[i].x || points.y(i) != expected[i].y ||
            points.pressure(i) != expected[i].pressure)
            std::abort();
    }

    const std::uint32_t whole = scrivlo::crc32Update(0, upload.get(), size);
    std::uint32_t chained = 0;
    for (std::size_t at = 0; at < size;) {
        // Frame lengths 0 to 252, chosen by the data itself.
        const std::size_t n = std::min<std::size_t>(data[at] % 253, size - at);
        chained = scrivlo::crc32Update(chained, upload.get() + at, n);
        at += n ? n : 1;
        if (n == 0)
            chained = scrivlo::crc32Update(chained, upload.get() + at - 1, 1);
    }
    if (chained != whole)
        std::abort();
    return 0;
}
