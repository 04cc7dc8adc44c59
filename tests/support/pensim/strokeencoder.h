#pragma once

#include "pensimulator.h"

#include <cstddef>

namespace pensim {

// The pen's side of its stored-stroke files: the start values (x, y, pressure, 16-bit
// little-endian), then one block per ten points: a width byte w and thirty deltas to the point
// before, each a sign bit (set: negative) and w magnitude bits, most significant bit first, packed
// from bit 7 of each byte down. Each block takes the narrowest width that holds all its deltas.
class StrokeEncoder
{
public:
    static constexpr std::size_t kPointsPerBlock = 10;

    explicit StrokeEncoder(Point start);

    // Exactly kPointsPerBlock points.
    void addBlock(const Point *points);
    // The bytes addBlock would add for these points.
    std::size_t blockSize(const Point *points) const;

    const Bytes &bytes() const { return m_bytes; }

private:
    unsigned widthOf(const Point *points) const;

    Bytes m_bytes;
    Point m_last;
};

} // namespace pensim
