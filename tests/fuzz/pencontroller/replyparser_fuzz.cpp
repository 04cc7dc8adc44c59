// Hands arbitrary reply frames to the reply parser. Each frame's payload sits in a heap block of
// exactly its length, so AddressSanitizer reports any read past what the frame really carries;
// the stored texts and the callbacks' arguments are checked against their bounds.
#include "replyparser.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void SCRIVLO_CALL onPoint(int x, int y, int pressure)
{
    if (x < 0 || x > 21000 || y < 0 || y > 29700 || pressure < 0 || pressure > 2047)
        std::abort();
}
void checkRecord(const char *mac, const char *name)
{
    if (std::strlen(mac) != 17 || std::strlen(name) > 243)
        std::abort();
}
void SCRIVLO_CALL onConnect(const char *mac, const char *name)
{
    checkRecord(mac, name);
}
void SCRIVLO_CALL onSearch(const char *mac, const char *name, int trailing)
{
    checkRecord(mac, name);
    if (trailing < -128 || trailing > 127)
        std::abort();
}
void SCRIVLO_CALL onButton(int code)
{
    if (code < 0 || code > 0xFFFF)
        std::abort();
}

struct Writer : scrivlo::FrameWriter
{
    bool writeFrame(const scrivlo::CommandFrame &frame) override
    {
        if (frame.size() < 6)
            std::abort();
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    scrivlo::ControllerState state;
    state.callbacks.realTime.install(&onPoint);
    state.callbacks.connect.install(&onConnect);
    state.callbacks.search.install(&onSearch);
    state.callbacks.button.install(&onButton);
    Writer writer;
    scrivlo::UploadSink upload;
    scrivlo::ReplyParser parser(state, writer, upload);

    // Input: channel, L, then up to L payload bytes (fewer at the end of the input), repeated.
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint8_t channel = data[at] % 5;
        std::size_t length = data[at + 1] % 253;
        at += 2;
        if (length > size - at)
            length = size - at;
        std::unique_ptr<std::uint8_t[]> payload(new std::uint8_t[length ? length : 1]);
        if (length)
            std::memcpy(payload.get(), data + at, length);
        at += length;
        parser.dispatchReply({channel, static_cast<std::uint8_t>(length), payload.get()});

        for (int t = 0; t < static_cast<int>(scrivlo::AnswerText::Count); ++t)
            if (state.answers.text(static_cast<scrivlo::AnswerText>(t)).size() >
                scrivlo::kMaxAnswerText)
                std::abort();
    }
    return 0;
}
