// Feeds arbitrary bytes through the assembler, cut into reads at places the input chooses, and
// checks the frames against the same bytes fed in one read and against a plain model of the rule.
#include "frameassembler.h"
#include "protocol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Frame
{
    std::uint8_t channel;
    std::vector<std::uint8_t> payload;
    bool operator==(const Frame &o) const { return channel == o.channel && payload == o.payload; }
};

class Collector : public scrivlo::FrameDispatcher
{
public:
    void dispatchReply(const scrivlo::ReplyFrame &frame) override
    {
        if (frame.channel > scrivlo::protocol::kChannelIgnored ||
            frame.length > scrivlo::protocol::kMaxReplyPayload)
            std::abort();
        // Touch every byte the frame and its sub-fields claim: AddressSanitizer reports any that
        // lies outside the assembler's buffer.
        std::vector<std::uint8_t> payload(frame.payload, frame.payload + frame.length);
        volatile std::uint8_t sink = frame.code() ^ frame.subLength();
        for (std::size_t i = 0; i < frame.subDataAvailable(); ++i)
            sink = sink ^ frame.subData()[i];
        (void)sink;
        frames.push_back({frame.channel, std::move(payload)});
    }
    std::vector<Frame> frames;
};

// The framing rule one byte at a time, as plainly as it can be written.
std::vector<Frame> reference(const std::uint8_t *bytes, std::size_t count)
{
    std::vector<Frame> frames;
    std::uint8_t frame[256];
    int position = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        if (position == 0) {
            if (b == 0xFF)
                frame[position++] = b;
            continue;
        }
        if (position == 1) {
            if (b <= 4)
                frame[position++] = b;
            else
                position = 0;
            continue;
        }
        if (position == 2 && b > 252) {
            position = 0;
            continue;
        }
        frame[position++] = b;
        if (position == frame[2] + 3) {
            frames.push_back({frame[1], std::vector<std::uint8_t>(frame + 3, frame + position)});
            position = 0;
        }
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte seeds the read sizes; the rest is the stream.
    unsigned seed = data[0];
    const std::uint8_t *stream = data + 1;
    const std::size_t length = size - 1;

    Collector whole;
    scrivlo::FrameAssembler wholeAssembler(whole);
    wholeAssembler.feed(stream, length);

    Collector pieces;
    scrivlo::FrameAssembler piecesAssembler(pieces);
    for (std::size_t at = 0; at < length;) {
        seed = seed * 1103515245u + 12345u;
        std::size_t n = (seed >> 16) % 600;
        if (n > length - at)
            n = length - at;
        // Each read goes through a buffer of its own exact size.
        std::vector<std::uint8_t> read(stream + at, stream + at + n);
        piecesAssembler.feed(read.data(), read.size());
        at += n;
    }
    if (!(whole.frames == reference(stream, length)) || !(whole.frames == pieces.frames) ||
        wholeAssembler.position() != piecesAssembler.position())
        std::abort();
    return 0;
}
