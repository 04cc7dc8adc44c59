#pragma once

#include <cstddef>
#include <cstdint>

namespace scrivlo {

// A complete device-to-host frame as the assembler hands it over: a view into the assembler's
// frame buffer, valid only during the dispatch call. `length` is the payload length L that the
// frame carried, and exactly L payload bytes are readable, no more.
struct ReplyFrame
{
    std::uint8_t channel = 0;
    std::uint8_t length = 0; // L, at most 252
    const std::uint8_t *payload = nullptr;

    // Channels 0 to 2 carry code, sub-length S and S data bytes. A frame too short for them, or
    // one whose S claims more bytes than L holds, reads as code 0 / S 0 / only the bytes present.
    std::uint8_t code() const { return length >= 1 ? payload[0] : 0; }
    std::uint8_t subLength() const { return length >= 2 ? payload[1] : 0; }
    const std::uint8_t *subData() const { return payload + (length >= 2 ? 2 : length); }
    // The data bytes that really follow S: min(S, L - 2), 0 for L < 2.
    std::size_t subDataAvailable() const
    {
        if (length < 2)
            return 0;
        const std::size_t room = length - 2u;
        return subLength() < room ? subLength() : room;
    }
    // L = S + 2, the check every well-formed channel 0 reply passes.
    bool exactSubLength() const { return length >= 2 && subLength() + 2u == length; }
};

} // namespace scrivlo
