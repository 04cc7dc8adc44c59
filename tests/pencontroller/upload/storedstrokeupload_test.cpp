// The upload path inside the reply parser: marks, collection, CRC test, progress and delivery, fed
// as bytes on the line, with a clock the test moves.
#include "frameassembler.h"
#include "pensimulator.h"
#include "replyparser.h"
#include "storedstrokeupload.h"
#include "uploadcrc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scrivlo;
using pensim::Bytes;

namespace {

struct Status
{
    int bytes, percent, announced;
    bool operator==(const Status &o) const
    {
        return bytes == o.bytes && percent == o.percent && announced == o.announced;
    }
};
void PrintTo(const Status &s, std::ostream *os)
{
    *os << "(" << s.bytes << ", " << s.percent << ", " << s.announced << ")";
}

std::vector<Status> g_status;
std::vector<std::string> g_penData;
std::vector<std::string> g_withPercent;

void SCRIVLO_CALL onStatus(int bytes, int percent, int announced)
{
    g_status.push_back({bytes, percent, announced});
}
void SCRIVLO_CALL onPenData(int x, int y, int p)
{
    g_penData.push_back(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(p));
}
void SCRIVLO_CALL onWithPercent(int x, int y, int p, int percent)
{
    g_withPercent.push_back(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(p) +
                            " " + std::to_string(percent) + "%");
}

class Writer : public FrameWriter
{
public:
    bool writeFrame(const CommandFrame &frame) override
    {
        written.emplace_back(frame.begin(), frame.end());
        return true;
    }
    std::vector<Bytes> written;
};

Bytes le32(std::uint32_t v)
{
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
Bytes announce(std::uint32_t size)
{
    Bytes data = le32(size);
    const Bytes second = le32(7);
    data.insert(data.end(), second.begin(), second.end());
    return pensim::codedReply(2, 0x36, data);
}
Bytes mark(std::uint8_t m)
{
    return pensim::codedReply(2, 0x37, {m});
}
Bytes crcReply(std::uint32_t crc)
{
    return pensim::codedReply(2, 0x38, le32(crc));
}
std::uint32_t crcOf(const Bytes &b)
{
    return crc32Update(0, b.data(), b.size());
}
// The data as channel 3 frames of at most `perFrame` bytes.
Bytes dataFrames(const Bytes &data, std::size_t perFrame = 252)
{
    Bytes out;
    for (std::size_t at = 0; at < data.size(); at += perFrame) {
        const std::size_t n = std::min(perFrame, data.size() - at);
        const Bytes f = pensim::replyFrame(3, Bytes(data.begin() + at, data.begin() + at + n));
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

const Bytes kDeleteResend{0xFE, 0x02, 0x03, 0x39, 0x01, 0x01};

// Start (100, 200, 0); a width-2 block: (101, 199, 3) ten times; a width-1 block moving x by -1
// once: (100, 199, 3) ten times.
const Bytes kUpload = {0x64, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x02, 0x35, 0x80, 0, 0, 0, 0, 0,
                       0,    0,    0,    0,    0,    0x01, 0xC0, 0,    0,    0, 0, 0, 0, 0};

struct Fixture : ::testing::Test
{
    ControllerState state;
    Writer writer;
    std::int64_t nowMs = 10'000;
    std::vector<std::string> logged;
    StoredStrokeUpload upload{state, writer, [this] { return nowMs; },
                              [this](const std::string &line) { logged.push_back(line); }};
    ReplyParser parser{state, writer, upload};
    FrameAssembler assembler{parser};

    void SetUp() override
    {
        g_status.clear();
        g_penData.clear();
        g_withPercent.clear();
        state.callbacks.uploadStatus.install(&onStatus);
        state.callbacks.uploadPenData.install(&onPenData);
        state.callbacks.uploadPenDataWithPercentage.install(&onWithPercent);
    }
    void feed(const Bytes &bytes) { assembler.feed(bytes.data(), bytes.size()); }
    void fullUpload(const Bytes &data, std::uint32_t crc, std::size_t perFrame = 252)
    {
        feed(mark(0xBE));
        feed(dataFrames(data, perFrame));
        feed(mark(0xED));
        feed(crcReply(crc));
    }
};

TEST_F(Fixture, GoodUploadIsDecodedReportedAndDelivered)
{
    feed(announce(kUpload.size()));
    ASSERT_EQ(writer.written.size(), 1u); // the acknowledgement 0x33
    feed(mark(0xBE));
    // Three frames and an empty one between them: the CRC is the same as in one frame.
    feed(dataFrames(Bytes(kUpload.begin(), kUpload.begin() + 5)));
    feed(pensim::replyFrame(3, {}));
    feed(dataFrames(Bytes(kUpload.begin() + 5, kUpload.begin() + 20)));
    feed(dataFrames(Bytes(kUpload.begin() + 20, kUpload.end())));
    EXPECT_EQ(upload.runningCrc(), crcOf(kUpload));
    feed(mark(0xED));
    EXPECT_FALSE(upload.uploadComplete());
    feed(crcReply(crcOf(kUpload)));

    EXPECT_TRUE(upload.uploadComplete());
    EXPECT_EQ(writer.written.size(), 1u);
    EXPECT_EQ(g_status, (std::vector<Status>{{int(kUpload.size()), 100, int(kUpload.size())}}));
    ASSERT_EQ(upload.points().count(), 20u);

    upload.deliverUploadPoints();
    ASSERT_EQ(g_penData.size(), 20u);
    EXPECT_EQ(g_penData.front(), "101,199,3");
    EXPECT_EQ(g_penData.back(), "100,199,3");
    ASSERT_EQ(g_withPercent.size(), 20u);
    EXPECT_EQ(g_withPercent[0], "101,199,3 5%");
    EXPECT_EQ(g_withPercent[19], "100,199,3 100%");

    // Every delivery hands out every point again; a new transfer request leaves them in place.
    upload.transferRequested();
    EXPECT_FALSE(upload.uploadComplete());
    upload.deliverUploadPoints();
    EXPECT_EQ(g_penData.size(), 40u);
}

TEST_F(Fixture, MismatchAsksAgainAndCompletesNothing)
{
    fullUpload(kUpload, crcOf(kUpload) ^ 1);
    EXPECT_FALSE(upload.uploadComplete());
    EXPECT_EQ(writer.written, (std::vector<Bytes>{kDeleteResend}));
    EXPECT_TRUE(g_status.empty());
}

// Data outside the marks is not kept but counts for the CRC; only a start mark resets it.
TEST_F(Fixture, DataOutsideTheMarks)
{
    feed(dataFrames({1, 2, 3})); // before the start: wiped by the start mark
    fullUpload(kUpload, crcOf(kUpload));
    ASSERT_TRUE(upload.uploadComplete());
    EXPECT_EQ(upload.points().count(), 20u);

    upload.transferRequested();
    feed(mark(0xBE));
    feed(dataFrames(kUpload));
    feed(mark(0xED));
    feed(dataFrames({9})); // after the end: not stored, but the CRC no longer matches
    feed(crcReply(crcOf(kUpload)));
    EXPECT_FALSE(upload.uploadComplete());
    EXPECT_EQ(writer.written, (std::vector<Bytes>{kDeleteResend}));
}

// An end reply without four CRC bytes is tested against the pen's CRC of the upload before.
TEST_F(Fixture, EndWithoutCrcUsesTheEarlierOne)
{
    fullUpload(kUpload, crcOf(kUpload));
    ASSERT_TRUE(upload.uploadComplete());
    upload.transferRequested();

    feed(mark(0xBE));
    feed(dataFrames(kUpload));
    feed(pensim::codedReply(2, 0x38, {}));
    EXPECT_TRUE(upload.uploadComplete());

    upload.transferRequested();
    Bytes other = kUpload;
    other[0] = 0x65;
    feed(mark(0xBE));
    feed(dataFrames(other));
    feed(pensim::codedReply(2, 0x38, {1, 2}));
    EXPECT_FALSE(upload.uploadComplete());
    EXPECT_EQ(writer.written, (std::vector<Bytes>{kDeleteResend}));
}

// Reports during collection come after more than a second, with the bytes since the last one.
TEST_F(Fixture, ProgressReports)
{
    feed(announce(1000));
    feed(mark(0xBE));
    nowMs += 500;
    feed(dataFrames(Bytes(200, 0)));
    nowMs += 500; // exactly one second: not yet
    feed(dataFrames(Bytes(200, 0)));
    nowMs += 1;
    feed(dataFrames(Bytes(200, 0)));
    EXPECT_EQ(g_status, (std::vector<Status>{{600, 99, 1000}}));
    nowMs += 1001;
    feed(dataFrames(Bytes(50, 0)));
    EXPECT_EQ(g_status.back(), (Status{50, 99, 1000}));

    // Without an announced size the percentage is 0.
    g_status.clear();
    feed(announce(0));
    feed(mark(0xBE));
    nowMs += 2000;
    feed(dataFrames(Bytes(10, 0)));
    EXPECT_EQ(g_status, (std::vector<Status>{{10, 0, 0}}));
}

// An upload that fills the buffer with the densest blocks there are (width 0: five bytes for ten
// points) is decoded whole; one byte more is never written past the buffer and, even with a
// matching CRC, is not passed off as complete but reported. The pen is not asked again, since the
// same file would overflow again; the next upload starts afresh.
TEST_F(Fixture, BufferLimitDecodesWholeAndOneByteMoreIsReported)
{
    Bytes full(UploadBuffer::kCapacity, 0);
    fullUpload(full, crcOf(full));
    ASSERT_TRUE(upload.uploadComplete());
    // 2,199,998 blocks of five bytes and one cut short to four.
    EXPECT_EQ(upload.points().count(), 21'999'990u);
    ASSERT_EQ(g_status.size(), 1u);
    EXPECT_EQ(g_status[0].percent, 100);
    EXPECT_TRUE(logged.empty());

    upload.transferRequested();
    g_status.clear();
    full.push_back(0);
    fullUpload(full, crcOf(full));
    EXPECT_FALSE(upload.uploadComplete());
    EXPECT_TRUE(writer.written.empty());
    EXPECT_TRUE(g_status.empty());
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("11000001 bytes"), std::string::npos) << logged[0];

    fullUpload(kUpload, crcOf(kUpload));
    EXPECT_TRUE(upload.uploadComplete());
    EXPECT_EQ(upload.points().count(), 20u);
    EXPECT_EQ(logged.size(), 1u);
}

// The pen-data callback gets only points in the page's range; the percentage callback gets all.
TEST_F(Fixture, DeliveryFiltersOnlyThePenDataCallback)
{
    // Start (0, 29700, 2047); width 1: x -1, then x +1 and y +1, then y -1 and pressure +1.
    // Then a width-0 block: ten more of the last point.
    const Bytes data = {0x00, 0x00, 0x04, 0x74, 0xFF, 0x07, 0x01, 0xC1, 0x43, 0x40,
                        0,    0,    0,    0,    0,    0x00, 0,    0,    0,    0};
    fullUpload(data, crcOf(data));
    ASSERT_TRUE(upload.uploadComplete());
    ASSERT_EQ(upload.points().count(), 20u);
    upload.deliverUploadPoints();
    EXPECT_EQ(g_withPercent[0], "65535,29700,2047 5%");
    EXPECT_EQ(g_withPercent[1], "0,29701,2047 10%");
    EXPECT_EQ(g_withPercent[2], "0,29700,2048 15%");
    EXPECT_EQ(g_withPercent.size(), 20u);
    EXPECT_TRUE(g_penData.empty());
}

} // namespace
