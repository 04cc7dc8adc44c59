#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace scrivlo {

// One host-to-device frame: FE, target, payload length, command code, argument length, arguments.
// Written to the line in a single write.
class CommandFrame
{
public:
    // The argument block is cut at kMaxArguments bytes, the most the one-byte lengths can announce.
    static constexpr std::size_t kMaxArguments = 253;

    CommandFrame(std::uint8_t target, std::uint8_t code, const std::uint8_t *arguments,
                 std::size_t argumentLength);
    CommandFrame(std::uint8_t target, std::uint8_t code,
                 std::initializer_list<std::uint8_t> arguments);

    // FE, target, payload length and the payload as given (code, argument length, arguments),
    // cut at 255 bytes.
    static CommandFrame fromPayload(std::uint8_t target, const std::uint8_t *payload,
                                    std::size_t payloadLength);

    const std::uint8_t *data() const { return m_bytes.data(); }
    std::size_t size() const { return m_size; }
    const std::uint8_t *begin() const { return m_bytes.data(); }
    const std::uint8_t *end() const { return m_bytes.data() + m_size; }

private:
    std::array<std::uint8_t, 5 + kMaxArguments> m_bytes{};
    std::size_t m_size = 0;
};

} // namespace scrivlo
