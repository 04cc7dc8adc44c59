#include "strokedecoder.h"

#include "handwriting.h"
#include "strokeencoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace scrivlo;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Point
{
    int x, y, pressure;
    bool operator==(const Point &o) const { return x == o.x && y == o.y && pressure == o.pressure; }
};

void PrintTo(const Point &p, std::ostream *os)
{
    *os << "(" << p.x << ", " << p.y << ", " << p.pressure << ")";
}

std::vector<Point> pointsOf(const UploadPoints &points)
{
    std::vector<Point> out;
    for (std::size_t i = 0; i < points.count(); ++i)
        out.push_back({points.x(i), points.y(i), points.pressure(i)});
    return out;
}

std::vector<Point> copies(Point p, int n)
{
    return std::vector<Point>(static_cast<std::size_t>(n), p);
}

std::vector<Point> join(std::initializer_list<std::vector<Point>> parts)
{
    std::vector<Point> out;
    for (const auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes header(int x, int y, int pressure)
{
    return {std::uint8_t(x),      std::uint8_t(x >> 8),   std::uint8_t(y),
            std::uint8_t(y >> 8), std::uint8_t(pressure), std::uint8_t(pressure >> 8)};
}

// Packs values most significant bit first, for blocks too wide to write out by hand.
class BlockWriter
{
public:
    explicit BlockWriter(int width) : m_width(width) { m_bytes.push_back(std::uint8_t(width)); }
    // A sign and `width` magnitude bits: bit p of `magnitude` below 64, `high` above it.
    BlockWriter &value(bool negative, std::uint64_t magnitude, bool high = false)
    {
        put(negative);
        for (int p = m_width - 1; p >= 0; --p)
            put(p < 64 ? ((magnitude >> p) & 1) != 0 : high);
        return *this;
    }
    BlockWriter &zeros(int values)
    {
        for (int i = 0; i < values; ++i)
            value(false, 0);
        return *this;
    }
    Bytes bytes() const { return m_bytes; }

private:
    void put(bool bit)
    {
        if (m_used == 8) {
            m_bytes.push_back(0);
            m_used = 0;
        }
        if (bit)
            m_bytes.back() |= std::uint8_t(0x80 >> m_used);
        ++m_used;
    }
    int m_width;
    Bytes m_bytes;
    int m_used = 8;
};

static_assert(strokeBlockBytes(0) == 5);
static_assert(strokeBlockBytes(1) == 9);
static_assert(strokeBlockBytes(2) == 13);
static_assert(strokeBlockBytes(255) == 961);

struct Case
{
    std::string name;
    Bytes upload;
    std::vector<Point> points;
    // Whole blocks only, so more blocks may follow.
    bool extendable = true;
};

std::vector<Case> cases()
{
    const Bytes start = header(100, 200, 0);
    return {
        {"empty upload", {}, {}, false},
        {"header cut short", {0x64, 0x00, 0xC8}, {}, false},
        {"start values alone are no point", start, {}, false},
        {"width 0: ten copies of the start", join({start, {0x00, 0, 0, 0, 0}}),
         copies({100, 200, 0}, 10)},
        {"set signs with magnitude 0 are 0, padding ignored",
         join({start, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}}), copies({100, 200, 0}, 10)},
        // +1 (0 01), -1 (1 01), +3 (0 11), then 27 zeros: 13 bytes in all.
        {"width 2 with signs", join({start, {0x02, 0x35, 0x80}, Bytes(10, 0)}),
         copies({101, 199, 3}, 10)},
        // Width 1, every delta +1: 60 bits, the last byte's low four bits are padding (set
        // here); the width-0 block after it starts on the next byte.
        {"padding then the next block",
         join({header(10, 20, 30), {0x01}, Bytes(7, 0x55), {0x5F}, {0x00, 0, 0, 0, 0}}),
         join({{{11, 21, 31},
                {12, 22, 32},
                {13, 23, 33},
                {14, 24, 34},
                {15, 25, 35},
                {16, 26, 36},
                {17, 27, 37},
                {18, 28, 38},
                {19, 29, 39},
                {20, 30, 40}},
               copies({20, 30, 40}, 10)})},
        // The block stops after one data byte: its third value is 0 1 and a missing bit (0).
        {"truncated last block still gives ten points", join({start, {0x02, 0x35}}),
         copies({101, 199, 2}, 10), false},
        {"a block of only its width byte", join({start, {0x07}}), copies({100, 200, 0}, 10), false},
        {"x below zero keeps its low 16 bits", join({header(0, 5, 5), {0x01, 0xC0}, Bytes(7, 0)}),
         copies({65535, 5, 5}, 10)},
        {"width 16",
         join({header(0, 0, 0), BlockWriter(16)
                                    .value(false, 0xFFFF)
                                    .value(true, 0xFFFF)
                                    .value(false, 0x8000)
                                    .zeros(27)
                                    .bytes()}),
         copies({65535, 1, 32768}, 10)},
        {"width 31",
         join({header(5, 5, 5), BlockWriter(31)
                                    .value(false, 0x7FFFFFFF)
                                    .value(true, 0x7FFFFFFF)
                                    .value(true, 3)
                                    .zeros(27)
                                    .bytes()}),
         copies({4, 6, 2}, 10)},
        // Magnitudes wider than 32 bits keep their low 32: 2^35 + 7 counts as 7.
        {"width 40",
         join({header(100, 100, 100), BlockWriter(40)
                                          .value(false, (1ull << 35) + 7)
                                          .value(true, (1ull << 39) + 7)
                                          .value(false, 0)
                                          .zeros(27)
                                          .bytes()}),
         copies({107, 93, 100}, 10)},
        // All 255 magnitude bits set: 0xFFFFFFFF, so +: -1 and -: +1.
        {"width 255 then width 0",
         join(
             {header(100, 100, 100),
              BlockWriter(255).value(false, ~0ull, true).value(true, ~0ull, true).zeros(28).bytes(),
              {0x00, 0, 0, 0, 0}}),
         copies({99, 101, 100}, 20)},
    };
}

// Each case on its own, where the end of the data is near, and with two width-0 blocks after it,
// where its blocks lie well inside the data.
TEST(StrokeDecoder, Table)
{
    UploadPoints points;
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.name);
        // An exact-size copy: a read past the upload is a read past the allocation.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.upload.size() + 1]);
        std::copy(c.upload.begin(), c.upload.end(), exact.get());
        ASSERT_EQ(decodeUpload(exact.get(), c.upload.size(), points), DecodeResult::Decoded);
        EXPECT_EQ(pointsOf(points), c.points);
        if (!c.extendable)
            continue;
        const Bytes longer = join({c.upload, Bytes(10, 0)});
        ASSERT_EQ(decodeUpload(longer.data(), longer.size(), points), DecodeResult::Decoded);
        EXPECT_EQ(pointsOf(points), join({c.points, copies(c.points.back(), 20)}));
    }
}

// The pen's own encoding of handwriting, and of random jumps of every width up to 16 bits, gives
// back its points.
TEST(StrokeDecoder, EncodedPointsComeBack)
{
    const pensim::Handwriting writing = pensim::handwriting(200'000, 3);
    UploadPoints points;
    ASSERT_EQ(decodeUpload(writing.upload.data(), writing.upload.size(), points),
              DecodeResult::Decoded);
    ASSERT_EQ(points.count(), writing.points.size());
    for (std::size_t i = 0; i < points.count(); ++i) {
        const pensim::Point &p = writing.points[i];
        ASSERT_EQ((Point{points.x(i), points.y(i), points.pressure(i)}),
                  (Point{p.x, p.y, p.pressure}))
            << i;
    }

    std::mt19937 random(5);
    pensim::StrokeEncoder encoder({0, 0, 0});
    std::vector<Point> expected;
    for (int width = 0; width <= 16; ++width) {
        pensim::Point block[pensim::StrokeEncoder::kPointsPerBlock];
        for (pensim::Point &p : block) {
            auto any = [&] { return std::uint16_t(random() % (1u << width)); };
            p = {any(), any(), any()};
            expected.push_back({p.x, p.y, p.pressure});
        }
        encoder.addBlock(block);
    }
    const Bytes &jumps = encoder.bytes();
    ASSERT_EQ(decodeUpload(jumps.data(), jumps.size(), points), DecodeResult::Decoded);
    EXPECT_EQ(pointsOf(points), expected);
}

// The bytes after the upload's end (an earlier, longer upload's) never enter the last block.
TEST(StrokeDecoder, BytesBeyondTheUploadAreNotRead)
{
    const Bytes upload = join({header(100, 200, 0), {0x02, 0x35}});
    Bytes stale = upload;
    stale.insert(stale.end(), 20, 0xFF);
    UploadPoints points;
    ASSERT_EQ(decodeUpload(stale.data(), upload.size(), points), DecodeResult::Decoded);
    EXPECT_EQ(pointsOf(points), copies({101, 199, 2}, 10));
}

TEST(StrokeDecoder, ReadSignedBitsMovesAcrossBytes)
{
    // 1 0000000 | 1 1 ...: width 7 takes the whole first byte, the next value starts on byte 1.
    const std::uint8_t bytes[] = {0x80, 0xC0};
    int bit = 7;
    std::size_t byte = 0;
    EXPECT_EQ(readSignedBits(bytes, 2, 7, bit, byte), 0); // set sign, magnitude 0
    EXPECT_EQ(bit, -1);
    EXPECT_EQ(byte, 0u);
    EXPECT_EQ(readSignedBits(bytes, 2, 1, bit, byte), -1);
    EXPECT_EQ(bit, 5);
    EXPECT_EQ(byte, 1u);
    // Past the end: zeros, the positions still move.
    EXPECT_EQ(readSignedBits(bytes, 2, 8, bit, byte), 0);
    EXPECT_EQ(byte, 2u);
}

// The arrays are sized from the byte count: the densest upload (width-0 blocks, five bytes for ten
// points, the last cut short) holds exactly as many points as the bound allows, and a later, much
// smaller upload reuses them.
TEST(StrokeDecoder, ArraysAreSizedFromTheBytes)
{
    Bytes dense = header(7, 7, 7);
    dense.resize(6 + 200'000 * 5 + 1, 0);
    EXPECT_EQ(mostPointsIn(dense.size()), 2'000'010u);
    UploadPoints points;
    ASSERT_EQ(decodeUpload(dense.data(), dense.size(), points), DecodeResult::Decoded);
    EXPECT_EQ(points.count(), 2'000'010u);
    EXPECT_EQ(points.x(2'000'009), 7);

    const Bytes small = join({header(1, 2, 3), {0x00, 0, 0, 0, 0}});
    EXPECT_EQ(mostPointsIn(small.size()), 10u);
    ASSERT_EQ(decodeUpload(small.data(), small.size(), points), DecodeResult::Decoded);
    EXPECT_EQ(pointsOf(points), copies({1, 2, 3}, 10));
    EXPECT_EQ(mostPointsIn(6), 0u);
}

} // namespace
