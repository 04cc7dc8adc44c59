#include "strokeencoder.h"

#include <cstdlib>

namespace pensim {
namespace {

void putLe16(Bytes &out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

unsigned bitsFor(unsigned magnitude)
{
    unsigned bits = 0;
    while (magnitude >> bits)
        ++bits;
    return bits;
}

} // namespace

StrokeEncoder::StrokeEncoder(Point start) : m_last(start)
{
    putLe16(m_bytes, start.x);
    putLe16(m_bytes, start.y);
    putLe16(m_bytes, start.pressure);
}

unsigned StrokeEncoder::widthOf(const Point *points) const
{
    unsigned width = 0;
    Point before = m_last;
    for (std::size_t i = 0; i < kPointsPerBlock; ++i) {
        for (int d : {points[i].x - before.x, points[i].y - before.y,
                      points[i].pressure - before.pressure}) {
            const unsigned bits = bitsFor(static_cast<unsigned>(std::abs(d)));
            if (bits > width)
                width = bits;
        }
        before = points[i];
    }
    return width;
}

std::size_t StrokeEncoder::blockSize(const Point *points) const
{
    return 1 + (30 * (1 + widthOf(points)) + 7) / 8;
}

void StrokeEncoder::addBlock(const Point *points)
{
    const unsigned width = widthOf(points);
    m_bytes.push_back(static_cast<std::uint8_t>(width));
    int used = 8; // bits used of the last byte; the width byte is full
    auto put = [&](bool bit) {
        if (used == 8) {
            m_bytes.push_back(0);
            used = 0;
        }
        if (bit)
            m_bytes.back() |= static_cast<std::uint8_t>(0x80 >> used);
        ++used;
    };
    for (std::size_t i = 0; i < kPointsPerBlock; ++i) {
        for (int d : {points[i].x - m_last.x, points[i].y - m_last.y,
                      points[i].pressure - m_last.pressure}) {
            put(d < 0);
            const unsigned magnitude = static_cast<unsigned>(std::abs(d));
            for (int b = static_cast<int>(width) - 1; b >= 0; --b)
                put(((magnitude >> b) & 1) != 0);
        }
        m_last = points[i];
    }
}

} // namespace pensim
