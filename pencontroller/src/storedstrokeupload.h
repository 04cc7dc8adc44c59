#pragma once

#include "controllerstate.h"
#include "librarylog.h"
#include "replyparser.h"
#include "uploadbuffer.h"
#include "uploadpoints.h"
#include "uploadprogress.h"
#include "uploadsink.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace scrivlo {

// Collects one upload of stored strokes between its start and end marks, follows its CRC-32 frame
// by frame, reports progress, decodes it once the pen's CRC matches and delivers the points. All
// of it runs on the worker thread except transferRequested() and uploadComplete(), which callers'
// threads use; the complete flag is therefore the only state shared between threads.
class StoredStrokeUpload : public UploadSink
{
public:
    // Milliseconds of a monotonic clock.
    using Clock = std::function<std::int64_t()>;
    static std::int64_t steadyMilliseconds();
    // Where an upload that had to be dropped is reported.
    using Log = std::function<void(const std::string &)>;

    StoredStrokeUpload(ControllerState &state, FrameWriter &writer,
                       Clock now = &StoredStrokeUpload::steadyMilliseconds, Log log = &logLine);

    void uploadData(const std::uint8_t *bytes, std::size_t count) override;
    void uploadMark(std::uint8_t mark) override;
    void uploadEnd(bool hasCrc, std::uint32_t crc) override;
    void transferRequested() override { m_complete.store(false); }
    bool uploadComplete() const override { return m_complete.load(); }
    void deliverUploadPoints() override;

    const UploadPoints &points() const { return m_points; }
    std::uint32_t runningCrc() const { return m_runningCrc; }

private:
    void reportStatus(int bytesSinceLastReport, int percent, int announced);

    ControllerState &m_state;
    FrameWriter &m_writer;
    Clock m_now;
    Log m_log;

    UploadBuffer m_buffer;
    UploadPoints m_points;
    UploadProgress m_progress;
    bool m_active = false;
    // More data arrived than the buffer holds: what was kept is not the upload the pen checked.
    bool m_overflowed = false;
    std::uint32_t m_runningCrc = 0;
    std::uint32_t m_penCrc = 0;
    std::atomic<bool> m_complete{false};
};

} // namespace scrivlo
