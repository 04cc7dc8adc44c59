#include "frameassembler.h"

#include "protocol.h"

namespace scrivlo {

void FrameAssembler::feed(const std::uint8_t *bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        switch (m_position) {
        case 0:
            if (b == protocol::kReplyStart)
                m_frame[m_position++] = b;
            continue;
        case 1:
            // A second start byte here is not a new frame: it is dropped with the first.
            if (b <= protocol::kChannelIgnored)
                m_frame[m_position++] = b;
            else
                m_position = 0;
            continue;
        case 2:
            // A length that can never complete inside the frame buffer would swallow the good
            // frames behind it; give it up at once.
            if (b > protocol::kMaxReplyPayload) {
                m_position = 0;
                continue;
            }
            m_frame[m_position++] = b;
            break;
        default:
            m_frame[m_position++] = b;
            break;
        }
        if (m_position == m_frame[2] + 3) {
            m_position = 0;
            m_dispatcher.dispatchReply(ReplyFrame{m_frame[1], m_frame[2], m_frame.data() + 3});
        }
    }
}

} // namespace scrivlo
