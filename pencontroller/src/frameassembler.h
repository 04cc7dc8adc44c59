#pragma once

#include "replyframe.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace scrivlo {

// Receives each complete frame, at once, before the assembler looks at the next byte.
class FrameDispatcher
{
public:
    virtual ~FrameDispatcher() = default;
    virtual void dispatchReply(const ReplyFrame &frame) = 0;
};

// Cuts the received byte stream into reply frames. Its state survives between reads, so a frame
// split over any number of reads completes with the read that brings its last byte.
class FrameAssembler
{
public:
    explicit FrameAssembler(FrameDispatcher &dispatcher) : m_dispatcher(dispatcher) {}

    void feed(const std::uint8_t *bytes, std::size_t count);
    // Drops a partly assembled frame (a new port, a new stream).
    void reset() { m_position = 0; }
    // Bytes of the current partial frame (0: waiting for a start byte).
    int position() const { return m_position; }

private:
    FrameDispatcher &m_dispatcher;
    std::array<std::uint8_t, 256> m_frame{};
    int m_position = 0;
};

} // namespace scrivlo
