#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace scrivlo {

struct ControllerState;
class FrameWriter;

// Where the parser hands what belongs to an upload of stored strokes. The default keeps nothing:
// no upload ever completes, and there are no points to deliver.
class UploadSink
{
public:
    virtual ~UploadSink() = default;
    // Payload bytes of one upload-data frame.
    virtual void uploadData(const std::uint8_t *, std::size_t) {}
    // The byte after an upload mark reply: start or end of the data.
    virtual void uploadMark(std::uint8_t) {}
    // The end reply; `crc` is only meaningful when `hasCrc`.
    virtual void uploadEnd(bool /*hasCrc*/, std::uint32_t /*crc*/) {}
    // A new transfer was asked for: an earlier upload no longer counts as complete.
    virtual void transferRequested() {}
    virtual bool uploadComplete() const { return false; }
    // Runs on the worker thread for each "OnFileDataTransfer" event.
    virtual void deliverUploadPoints() {}
};

// The upload handling the controller uses: it reads the announced size and the callbacks from
// `state` and asks the pen to send a damaged upload again through `writer`.
std::unique_ptr<UploadSink> makeUploadSink(ControllerState &state, FrameWriter &writer);

} // namespace scrivlo
