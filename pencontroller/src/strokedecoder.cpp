#include "strokedecoder.h"

namespace scrivlo {
namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr int kPointsPerBlock = 10;

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

DecodeResult decodeUpload(const std::uint8_t *bytes, std::size_t size, UploadPoints &points)
{
    // Count first, so that an upload too large for the arrays leaves the last good one intact.
    std::size_t blocks = 0;
    for (std::size_t at = kHeaderBytes; at < size; at += strokeBlockBytes(bytes[at]))
        ++blocks;
    if (blocks > UploadPoints::kCapacity / kPointsPerBlock)
        return DecodeResult::TooManyPoints;

    points.clear();
    std::uint32_t x = le16At(bytes, size, 0);
    std::uint32_t y = le16At(bytes, size, 2);
    std::uint32_t pressure = le16At(bytes, size, 4);
    std::size_t block = kHeaderBytes;
    while (block < size) {
        const int width = bytes[block];
        std::size_t byte = block + 1;
        int bit = 7;
        for (int i = 0; i < kPointsPerBlock; ++i) {
            x += static_cast<std::uint32_t>(readSignedBits(bytes, size, width, bit, byte));
            y += static_cast<std::uint32_t>(readSignedBits(bytes, size, width, bit, byte));
            pressure += static_cast<std::uint32_t>(readSignedBits(bytes, size, width, bit, byte));
            points.append(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                          static_cast<std::uint16_t>(pressure));
        }
        block = byte + 1;
    }
    return DecodeResult::Decoded;
}

} // namespace scrivlo
