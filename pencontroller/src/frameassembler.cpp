#include "frameassembler.h"

#include "protocol.h"

#include <algorithm>
#include <cstring>

namespace scrivlo {

void FrameAssembler::feed(const std::uint8_t *bytes, std::size_t count)
{
    std::size_t i = 0;
    while (i < count) {
        switch (m_position) {
        case 0: {
            // Everything up to the next start byte is noise.
            const void *start = std::memchr(bytes + i, protocol::kReplyStart, count - i);
            if (!start)
                return;
            i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(start) - bytes) + 1;
            m_frame[0] = protocol::kReplyStart;
            m_position = 1;
            continue;
        }
        case 1: {
            // A second start byte here is not a new frame: it is dropped with the first.
            const std::uint8_t channel = bytes[i++];
            if (channel <= protocol::kChannelIgnored) {
                m_frame[1] = channel;
                m_position = 2;
            } else {
                m_position = 0;
            }
            continue;
        }
        case 2: {
            const std::uint8_t length = bytes[i++];
            // A length that can never complete inside the frame buffer would swallow the good
            // frames behind it; give it up at once.
            if (length > protocol::kMaxReplyPayload) {
                m_position = 0;
                continue;
            }
            m_frame[2] = length;
            m_position = 3;
            break;
        }
        default: {
            const std::size_t wanted = static_cast<std::size_t>(m_frame[2] + 3 - m_position);
            const std::size_t n = std::min(wanted, count - i);
            std::memcpy(m_frame.data() + m_position, bytes + i, n);
            m_position += static_cast<int>(n);
            i += n;
            break;
        }
        }
        if (m_position == m_frame[2] + 3) {
            m_position = 0;
            m_dispatcher.dispatchReply(ReplyFrame{m_frame[1], m_frame[2], m_frame.data() + 3});
        }
    }
}

} // namespace scrivlo
