#include "storedstrokeupload.h"

#include "protocol.h"
#include "strokedecoder.h"
#include "uploadcrc.h"

#include <chrono>

namespace scrivlo {
namespace {

constexpr std::uint8_t kMarkStart = 0xBE;
constexpr std::uint8_t kMarkEnd = 0xED;
// Argument of the delete command that asks the pen for the upload again.
constexpr std::uint8_t kResendUpload = 1;

constexpr int kMaxX = 21000;
constexpr int kMaxY = 29700;
constexpr int kMaxPressure = 2047;

} // namespace

std::int64_t StoredStrokeUpload::steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

StoredStrokeUpload::StoredStrokeUpload(ControllerState &state, FrameWriter &writer, Clock now,
                                       Log log)
    : m_state(state), m_writer(writer), m_now(std::move(now)), m_log(std::move(log))
{
}

void StoredStrokeUpload::uploadData(const std::uint8_t *bytes, std::size_t count)
{
    if (m_active) {
        if (!m_buffer.append(bytes, count))
            m_overflowed = true;
        const auto report =
            m_progress.add(count, m_now(), m_state.answers.getNumber(AnswerNumber::UploadSize));
        if (report)
            reportStatus(report->bytesSinceLastReport, report->percent, report->announced);
    }
    // Frames outside the marks count too: the pen's CRC covers what it sent.
    m_runningCrc = crc32Update(m_runningCrc, bytes, count);
}

void StoredStrokeUpload::uploadMark(std::uint8_t mark)
{
    if (mark == kMarkStart) {
        m_progress.start(m_now());
        m_buffer.clear();
        m_overflowed = false;
        m_runningCrc = 0;
        m_active = true;
    } else if (mark == kMarkEnd) {
        m_active = false;
    }
}

void StoredStrokeUpload::uploadEnd(bool hasCrc, std::uint32_t crc)
{
    if (hasCrc)
        m_penCrc = crc;
    if (m_runningCrc != m_penCrc) {
        m_writer.writeFrame(
            CommandFrame(protocol::kTargetPen, protocol::kDeleteFile, {kResendUpload}));
        return;
    }
    // Intact on the line but too large to keep: delivering the part that fit would pass a cut
    // upload off as the pen's file, and asking again would only overflow again. Nothing else
    // tells the caller why the upload never completes.
    if (m_overflowed) {
        m_log("upload of " + std::to_string(m_progress.collected()) +
              " bytes dropped: larger than the " + std::to_string(UploadBuffer::kCapacity) +
              " bytes the library keeps");
        return;
    }
    if (decodeUpload(m_buffer.data(), m_buffer.size(), m_points) != DecodeResult::Decoded) {
        m_log("upload of " + std::to_string(m_buffer.size()) +
              " bytes dropped: no memory for its points");
        return;
    }
    m_complete.store(true);
    reportStatus(m_progress.sinceLastReport(), 100,
                 m_state.answers.getNumber(AnswerNumber::UploadSize));
}

void StoredStrokeUpload::reportStatus(int bytesSinceLastReport, int percent, int announced)
{
    if (auto cb = m_state.callbacks.uploadStatus.get())
        cb(bytesSinceLastReport, percent, announced);
}

void StoredStrokeUpload::deliverUploadPoints()
{
    const std::size_t n = m_points.count();
    for (std::size_t i = 0; i < n; ++i) {
        const int x = m_points.x(i);
        const int y = m_points.y(i);
        const int pressure = m_points.pressure(i);
        if (auto cb = m_state.callbacks.uploadPenData.get()) {
            if (x <= kMaxX && y <= kMaxY && pressure <= kMaxPressure)
                cb(x, y, pressure);
        }
        if (auto cb = m_state.callbacks.uploadPenDataWithPercentage.get())
            cb(x, y, pressure, deliveryPercent(i, n));
    }
}

} // namespace scrivlo
