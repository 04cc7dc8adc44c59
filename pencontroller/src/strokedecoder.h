#pragma once

#include "uploadpoints.h"

#include <cstddef>
#include <cstdint>

namespace scrivlo {

// Stored strokes: start x, y and pressure (16-bit little-endian each), then blocks. A block is a
// width byte w and ten points of three deltas (x, y, pressure), each a sign bit (set: negative)
// and w magnitude bits, most significant bit first, packed from bit 7 of each byte down. A block
// ends with the byte that holds its last bit.

// One delta of width `width`, starting after bit `bit` of byte `byte`; both are moved past the
// bits read. Bytes at or beyond `size` read as zero, so a block cut short by the end of the
// upload never reaches past the data. Magnitudes wider than 32 bits keep their low 32 bits.
std::int32_t readSignedBits(const std::uint8_t *bytes, std::size_t size, int width, int &bit,
                            std::size_t &byte);

// The number of bytes a block of width w takes, its width byte included.
constexpr std::size_t strokeBlockBytes(unsigned width)
{
    return 1 + (30 * (1 + width) + 7) / 8;
}

// The most points `size` bytes of an upload can hold: every block but a last one cut short takes
// at least five bytes for its ten points.
std::size_t mostPointsIn(std::size_t size);

enum class DecodeResult
{
    Decoded,
    // No memory for the arrays; the points held are left as they were.
    NoMemory
};

// Decodes `size` bytes of an upload into `points`, sized first for the most points they can
// hold. The start values are not a point; every block yields ten points, also one that the end of
// the data cuts short.
DecodeResult decodeUpload(const std::uint8_t *bytes, std::size_t size, UploadPoints &points);

} // namespace scrivlo
