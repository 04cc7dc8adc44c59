#include "commandframe.h"

#include "protocol.h"

#include <algorithm>

namespace scrivlo {

CommandFrame::CommandFrame(std::uint8_t target, std::uint8_t code, const std::uint8_t *arguments,
                           std::size_t argumentLength)
{
    const std::size_t n = arguments ? std::min(argumentLength, kMaxArguments) : 0;
    m_bytes[0] = protocol::kCommandStart;
    m_bytes[1] = target;
    m_bytes[2] = static_cast<std::uint8_t>(n + 2);
    m_bytes[3] = code;
    m_bytes[4] = static_cast<std::uint8_t>(n);
    std::copy(arguments, arguments + n, m_bytes.begin() + 5);
    m_size = n + 5;
}

CommandFrame::CommandFrame(std::uint8_t target, std::uint8_t code,
                           std::initializer_list<std::uint8_t> arguments)
    : CommandFrame(target, code, arguments.begin(), arguments.size())
{
}

CommandFrame CommandFrame::fromPayload(std::uint8_t target, const std::uint8_t *payload,
                                       std::size_t payloadLength)
{
    CommandFrame frame(target, 0, nullptr, 0);
    const std::size_t n = payload ? std::min<std::size_t>(payloadLength, 255) : 0;
    frame.m_bytes[2] = static_cast<std::uint8_t>(n);
    std::copy(payload, payload + n, frame.m_bytes.begin() + 3);
    frame.m_size = n + 3;
    return frame;
}

} // namespace scrivlo
