#pragma once

#include "commandframe.h"
#include "controllerstate.h"
#include "frameassembler.h"
#include "uploadsink.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace scrivlo {

// Where the parser writes the commands it sends on its own (the upload acknowledgement).
class FrameWriter
{
public:
    virtual ~FrameWriter() = default;
    virtual bool writeFrame(const CommandFrame &frame) = 0;
};

// "%02X-%02X-%02X-%02X-%02X-%02X" of six address bytes.
std::string macText(const std::uint8_t *address);

// Dispatches complete reply frames by channel and code: stores answers, settles request
// statuses and calls the callbacks, all on the thread that feeds it (the worker). It reads only
// the bytes the frame really carries; a reply without the data its code needs is dropped like
// any other reply that fails its check.
class ReplyParser : public FrameDispatcher
{
public:
    ReplyParser(ControllerState &state, FrameWriter &writer, UploadSink &upload);

    void dispatchReply(const ReplyFrame &frame) override;

private:
    void parseReceiverReply(const ReplyFrame &frame);
    void parsePenReply(const ReplyFrame &frame);
    void parseRealTimePoints(const ReplyFrame &frame);
    void deliverRealTimePoint(int x, int y, int pressure);

    ControllerState &m_state;
    FrameWriter &m_writer;
    UploadSink &m_upload;
};

} // namespace scrivlo
