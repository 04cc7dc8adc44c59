#include "strokedecoder.h"

#include <cstring>

namespace scrivlo {
namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr int kPointsPerBlock = 10;
constexpr std::size_t kShortestBlock = strokeBlockBytes(0);
// Widest value the fast path reads: sign and magnitude in one 64-bit load after a shift of up to
// seven bits.
constexpr int kFastWidth = 56;

std::uint8_t byteAt(const std::uint8_t *bytes, std::size_t size, std::size_t i)
{
    return i < size ? bytes[i] : 0;
}

std::uint16_t le16At(const std::uint8_t *bytes, std::size_t size, std::size_t i)
{
    return static_cast<std::uint16_t>(byteAt(bytes, size, i) | (byteAt(bytes, size, i + 1) << 8));
}

int nextBit(const std::uint8_t *bytes, std::size_t size, int &bit, std::size_t &byte)
{
    if (bit < 0) {
        ++byte;
        bit = 7;
    }
    const int value = (byteAt(bytes, size, byte) >> bit) & 1;
    --bit;
    return value;
}

std::uint64_t loadBigEndian64(const std::uint8_t *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_bswap64(v);
}

struct Running
{
    std::uint32_t x, y, pressure;
};

// A block that lies wholly inside the data with eight bytes to spare, of a width whose values fit
// one load: each value is cut straight out of the 64 bits at its bit offset.
void decodeBlockFast(const std::uint8_t *data, unsigned width, Running &at, UploadPoints &points)
{
    const unsigned bits = width + 1;
    const std::uint64_t magnitudeMask = (std::uint64_t{1} << width) - 1;
    std::size_t offset = 0;
    auto next = [&]() {
        const std::uint64_t v =
            (loadBigEndian64(data + (offset >> 3)) << (offset & 7)) >> (64 - bits);
        offset += bits;
        const std::uint32_t magnitude = static_cast<std::uint32_t>(v & magnitudeMask);
        const std::uint32_t negative = static_cast<std::uint32_t>(v >> width);
        return (magnitude ^ (0u - negative)) + negative;
    };
    for (int i = 0; i < kPointsPerBlock; ++i) {
        at.x += next();
        at.y += next();
        at.pressure += next();
        points.append(static_cast<std::uint16_t>(at.x), static_cast<std::uint16_t>(at.y),
                      static_cast<std::uint16_t>(at.pressure));
    }
}

// Any block, bit by bit; bits past the data read as zero. Returns the byte that held its last bit.
std::size_t decodeBlockSlow(const std::uint8_t *bytes, std::size_t size, std::size_t block,
                            Running &at, UploadPoints &points)
{
    const int width = bytes[block];
    std::size_t byte = block + 1;
    int bit = 7;
    for (int i = 0; i < kPointsPerBlock; ++i) {
        at.x += static_cast<std::uint32_t>(readSignedBits(bytes, size, width, bit, byte));
        at.y += static_cast<std::uint32_t>(readSignedBits(bytes, size, width, bit, byte));
        at.pressure += static_cast<std::uint32_t>(readSignedBits(bytes, size, width, bit, byte));
        points.append(static_cast<std::uint16_t>(at.x), static_cast<std::uint16_t>(at.y),
                      static_cast<std::uint16_t>(at.pressure));
    }
    return byte;
}

} // namespace

std::int32_t readSignedBits(const std::uint8_t *bytes, std::size_t size, int width, int &bit,
                            std::size_t &byte)
{
    const bool negative = nextBit(bytes, size, bit, byte) != 0;
    std::uint32_t magnitude = 0;
    for (int i = 0; i < width; ++i)
        magnitude = (magnitude << 1) | static_cast<std::uint32_t>(nextBit(bytes, size, bit, byte));
    // Unsigned arithmetic: only the low 16 bits of the running values are ever delivered, and
    // wrapping keeps them right without signed overflow.
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

std::size_t mostPointsIn(std::size_t size)
{
    if (size <= kHeaderBytes)
        return 0;
    // Every block but a last one cut short takes at least five bytes.
    const std::size_t blocks = (size - kHeaderBytes + kShortestBlock - 1) / kShortestBlock;
    return blocks * kPointsPerBlock;
}

DecodeResult decodeUpload(const std::uint8_t *bytes, std::size_t size, UploadPoints &points)
{
    if (!points.reset(mostPointsIn(size)))
        return DecodeResult::NoMemory;
    Running at{le16At(bytes, size, 0), le16At(bytes, size, 2), le16At(bytes, size, 4)};
    std::size_t block = kHeaderBytes;
    while (block < size) {
        const unsigned width = bytes[block];
        const std::size_t length = strokeBlockBytes(width);
        if (width <= kFastWidth && size - block >= length + sizeof(std::uint64_t)) {
            decodeBlockFast(bytes + block + 1, width, at, points);
            block += length;
        } else {
            block = decodeBlockSlow(bytes, size, block, at, points) + 1;
        }
    }
    return DecodeResult::Decoded;
}

} // namespace scrivlo
