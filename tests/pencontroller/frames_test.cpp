#include "commandframe.h"
#include "frameassembler.h"
#include "protocol.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using scrivlo::CommandFrame;
using scrivlo::FrameAssembler;
using scrivlo::ReplyFrame;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Seen
{
    int channel;
    Bytes payload;
    bool operator==(const Seen &o) const { return channel == o.channel && payload == o.payload; }
};

void PrintTo(const Seen &s, std::ostream *os)
{
    *os << "ch" << s.channel << "[";
    for (auto b : s.payload)
        *os << ' ' << std::hex << int(b);
    *os << " ]";
}

// Copies exactly the L payload bytes the frame says it has: anything more would be a read past
// the frame.
class Recorder : public scrivlo::FrameDispatcher
{
public:
    void dispatchReply(const ReplyFrame &frame) override
    {
        frames.push_back({frame.channel, Bytes(frame.payload, frame.payload + frame.length)});
    }
    std::vector<Seen> frames;
};

std::vector<Seen> assemble(const std::vector<Bytes> &reads)
{
    Recorder recorder;
    FrameAssembler assembler(recorder);
    for (const Bytes &r : reads)
        assembler.feed(r.data(), r.size());
    return recorder.frames;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes filled(std::size_t n, std::uint8_t first)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

const Bytes kProbeReply{0xFF, 0x00, 0x03, 0xA0, 0x01, 0x00};

struct AssemblyCase
{
    std::string name;
    Bytes stream;
    std::vector<Seen> expected;
};

std::vector<AssemblyCase> assemblyCases()
{
    const Bytes max252 = concat({{0xFF, 0x03, 0xFC}, filled(252, 0x10)});
    return {
        {"probe reply", kProbeReply, {{0, {0xA0, 0x01, 0x00}}}},
        {"length one too long still forms a frame",
         {0xFF, 0x00, 0x04, 0xA0, 0x01, 0x00, 0x00},
         {{0, {0xA0, 0x01, 0x00, 0x00}}}},
        {"channel 5 is no frame",
         concat({{0xFF, 0x05, 0x03, 0xA0, 0x01, 0x00}, kProbeReply}),
         {{0, {0xA0, 0x01, 0x00}}}},
        {"second start at position 1 is dropped",
         concat({{0xFF, 0xFF, 0x00}, {0xFF, 0x02, 0x00}}),
         {{2, {}}}},
        {"empty payload", {0xFF, 0x02, 0x00}, {{2, {}}}},
        {"length 253 gives way to the next frame",
         concat({{0xFF, 0x00, 0xFD}, kProbeReply}),
         {{0, {0xA0, 0x01, 0x00}}}},
        {"length 255 gives way to the next frame",
         concat({{0xFF, 0x01, 0xFF}, kProbeReply}),
         {{0, {0xA0, 0x01, 0x00}}}},
        {"largest payload",
         concat({max252, {0xFF, 0x04, 0x00}}),
         {{3, filled(252, 0x10)}, {4, {}}}},
        {"three frames in a row",
         concat({kProbeReply, {0xFF, 0x02, 0x03, 0x23, 0x01, 0x00}, {0xFF, 0x01, 0x00}}),
         {{0, {0xA0, 0x01, 0x00}}, {2, {0x23, 0x01, 0x00}}, {1, {}}}},
        {"garbage between frames",
         concat({{0x00, 0x12, 0xFE, 0xFF, 0x07}, kProbeReply, {0x42}, kProbeReply}),
         {{0, {0xA0, 0x01, 0x00}}, {0, {0xA0, 0x01, 0x00}}}},
        {"short pen frame keeps its real length", {0xFF, 0x02, 0x01, 0x45}, {{2, {0x45}}}},
        {"start bytes inside a payload are payload",
         {0xFF, 0x03, 0x02, 0xFF, 0xFF},
         {{3, {0xFF, 0xFF}}}},
        {"unfinished frame at the end",
         concat({kProbeReply, {0xFF, 0x00, 0x05, 0xA2}}),
         {{0, {0xA0, 0x01, 0x00}}}},
    };
}

} // namespace

TEST(CommandFrame, BuildsTheProtocolExamplesByteForByte)
{
    using namespace scrivlo::protocol;
    const struct
    {
        CommandFrame frame;
        Bytes expected;
    } cases[] = {
        {CommandFrame(kTargetReceiver, kProbe, {0}), {0xFE, 0x00, 0x03, 0xA0, 0x01, 0x00}},
        {CommandFrame(kTargetPen, kSwitchMode, {0}), {0xFE, 0x02, 0x03, 0x21, 0x01, 0x00}},
        {CommandFrame(kTargetPen, kClock, {0xE8, 0x03, 0x00, 0x00}),
         {0xFE, 0x02, 0x06, 0x26, 0x04, 0xE8, 0x03, 0x00, 0x00}},
        {CommandFrame(kTargetReceiver, kConnectedDevice,
                      {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x00}),
         {0xFE, 0x00, 0x09, 0xA5, 0x07, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x00}},
        {CommandFrame(kTargetReceiver, kReceiverSetName, nullptr, 0),
         {0xFE, 0x00, 0x02, 0xA3, 0x00}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Bytes(c.frame.begin(), c.frame.end()), c.expected);
}

TEST(CommandFrame, FromPayloadFramesTheBytesAsGiven)
{
    const std::uint8_t payload[] = {0x26, 0x04, 0xE8, 0x03, 0x00, 0x00};
    const CommandFrame frame = CommandFrame::fromPayload(2, payload, sizeof payload);
    EXPECT_EQ(Bytes(frame.begin(), frame.end()),
              (Bytes{0xFE, 0x02, 0x06, 0x26, 0x04, 0xE8, 0x03, 0x00, 0x00}));
    const Bytes big(300, 0x11);
    EXPECT_EQ(CommandFrame::fromPayload(0, big.data(), big.size()).size(), 258u);
}

TEST(CommandFrame, LongestArgumentBlockStillFitsTheLengthBytes)
{
    const Bytes args(400, 0x55);
    const CommandFrame frame(2, 0x2B, args.data(), args.size());
    ASSERT_EQ(frame.size(), 258u);
    EXPECT_EQ(frame.data()[2], 255);
    EXPECT_EQ(frame.data()[4], 253);
}

TEST(FrameAssembler, CutsStreamsIntoFrames)
{
    for (const AssemblyCase &c : assemblyCases())
        EXPECT_EQ(assemble({c.stream}), c.expected) << c.name;
}

TEST(FrameAssembler, EverySplitOverReadsGivesTheSameFrames)
{
    std::mt19937 random(20191219);
    for (const AssemblyCase &c : assemblyCases()) {
        const Bytes &s = c.stream;
        // Every cut into two reads.
        for (std::size_t cut = 0; cut <= s.size(); ++cut)
            ASSERT_EQ(
                assemble({Bytes(s.begin(), s.begin() + cut), Bytes(s.begin() + cut, s.end())}),
                c.expected)
                << c.name << ", cut at " << cut;
        // Byte by byte, and random cuts into many reads.
        std::vector<Bytes> single;
        for (auto b : s)
            single.push_back({b});
        ASSERT_EQ(assemble(single), c.expected) << c.name << ", byte by byte";
        for (int round = 0; round < 50; ++round) {
            std::vector<Bytes> reads;
            for (std::size_t at = 0; at < s.size();) {
                const std::size_t n = std::min<std::size_t>(random() % 8, s.size() - at);
                reads.emplace_back(s.begin() + at, s.begin() + at + n);
                at += n;
            }
            ASSERT_EQ(assemble(reads), c.expected) << c.name << ", round " << round;
        }
    }
}

TEST(FrameAssembler, ResetDropsAHalfFrame)
{
    Recorder recorder;
    FrameAssembler assembler(recorder);
    const Bytes half{0xFF, 0x00, 0x03, 0xA0};
    assembler.feed(half.data(), half.size());
    EXPECT_EQ(assembler.position(), 4);
    assembler.reset();
    const Bytes rest{0x01, 0x00};
    assembler.feed(rest.data(), rest.size());
    assembler.feed(kProbeReply.data(), kProbeReply.size());
    EXPECT_EQ(recorder.frames, (std::vector<Seen>{{0, {0xA0, 0x01, 0x00}}}));
}

// Replies whose lengths disagree: the accessors never reach beyond the L bytes of the frame.
TEST(ReplyFrame, SubFieldsStayInsideTheFrame)
{
    const struct
    {
        Bytes payload;
        std::uint8_t code, subLength;
        std::size_t available;
        bool exact;
    } cases[] = {
        {{}, 0, 0, 0, false},
        {{0xA0}, 0xA0, 0, 0, false},
        {{0xA0, 0x01, 0x00}, 0xA0, 1, 1, true},
        {{0xA1, 0xF0, 0x41}, 0xA1, 0xF0, 1, false},
        {{0x2C, 0x00}, 0x2C, 0, 0, true},
        {{0x2C, 0x01, 0x61, 0x62}, 0x2C, 1, 1, false},
    };
    for (const auto &c : cases) {
        // The frame sits at the end of its buffer, so a read past it leaves the vector.
        const ReplyFrame frame{0, static_cast<std::uint8_t>(c.payload.size()), c.payload.data()};
        EXPECT_EQ(frame.code(), c.code);
        EXPECT_EQ(frame.subLength(), c.subLength);
        EXPECT_EQ(frame.subDataAvailable(), c.available);
        EXPECT_EQ(frame.exactSubLength(), c.exact);
        EXPECT_LE(frame.subData() + frame.subDataAvailable(), c.payload.data() + c.payload.size());
    }
}
