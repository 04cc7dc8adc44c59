// Hands arbitrary reply frames to the reply parser with the stored-stroke upload behind it, each
// payload in a heap block of exactly its length, then ends the upload with a matching CRC and
// delivers it. Checks the status reports and the delivered points against their bounds.
#include "replyparser.h"
#include "storedstrokeupload.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

std::size_t g_delivered = 0;
int g_lastPercent = 0;

void SCRIVLO_CALL onStatus(int bytes, int percent, int)
{
    if (bytes < 0 || percent < 0 || percent > 100)
        std::abort();
}
void SCRIVLO_CALL onPenData(int x, int y, int pressure)
{
    if (x < 0 || x > 21000 || y < 0 || y > 29700 || pressure < 0 || pressure > 2047)
        std::abort();
}
void SCRIVLO_CALL onWithPercent(int x, int y, int pressure, int percent)
{
    if (x < 0 || x > 0xFFFF || y < 0 || y > 0xFFFF || pressure < 0 || pressure > 0xFFFF ||
        percent < g_lastPercent || percent > 100)
        std::abort();
    g_lastPercent = percent;
    ++g_delivered;
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

void dispatch(scrivlo::ReplyParser &parser, std::uint8_t channel, const std::uint8_t *bytes,
              std::size_t length)
{
    std::unique_ptr<std::uint8_t[]> payload(new std::uint8_t[length ? length : 1]);
    if (length)
        std::memcpy(payload.get(), bytes, length);
    parser.dispatchReply({channel, static_cast<std::uint8_t>(length), payload.get()});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Built once: the upload's buffers are preallocated for the largest upload, far too costly
    // to build for every input. A start and an end mark leave an empty, inactive upload.
    static scrivlo::ControllerState state;
    static Writer writer;
    static std::int64_t now = 0;
    static scrivlo::StoredStrokeUpload upload(state, writer, [] { return now; });
    static scrivlo::ReplyParser parser(state, writer, upload);
    state.callbacks.uploadStatus.install(&onStatus);
    state.callbacks.uploadPenData.install(&onPenData);
    state.callbacks.uploadPenDataWithPercentage.install(&onWithPercent);
    const std::uint8_t startMark[] = {0x37, 1, 0xBE};
    const std::uint8_t endMark[] = {0x37, 1, 0xED};
    dispatch(parser, 2, startMark, sizeof startMark);
    dispatch(parser, 2, endMark, sizeof endMark);
    upload.transferRequested();

    // Input: a selector (channel, and how far the clock moves), L, then up to L payload bytes.
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint8_t selector = data[at];
        // Mostly upload data and pen replies.
        const std::uint8_t channel = (selector & 3) == 0 ? 2 : 3;
        now += (selector >> 2) * 20;
        std::size_t length = data[at + 1] % 253;
        at += 2;
        if (length > size - at)
            length = size - at;
        dispatch(parser, channel, data + at, length);
        at += length;
    }

    const std::uint32_t crc = upload.runningCrc();
    const std::uint8_t end[] = {0x38,
                                4,
                                static_cast<std::uint8_t>(crc),
                                static_cast<std::uint8_t>(crc >> 8),
                                static_cast<std::uint8_t>(crc >> 16),
                                static_cast<std::uint8_t>(crc >> 24)};
    dispatch(parser, 2, end, sizeof end);
    if (!upload.uploadComplete())
        return 0;
    g_delivered = 0;
    g_lastPercent = 0;
    upload.deliverUploadPoints();
    if (g_delivered != upload.points().count() || (g_delivered > 0 && g_lastPercent != 100) ||
        g_delivered % 10 != 0)
        std::abort();
    return 0;
}
