#pragma once

#include "frameassembler.h"
#include "pcommlite.h"

#include <array>
#include <cstdint>

namespace scrivlo {

// One read of the open port per "OnCommunication" event, fed through the assembler. A partial
// frame of an earlier port (or an earlier opening of the same port) is dropped before the first
// bytes of the new one are looked at.
class FrameReader
{
public:
    explicit FrameReader(FrameDispatcher &dispatcher, PCommLite &port = PCommLite::instance())
        : m_port(port), m_assembler(dispatcher)
    {
    }

    // Reads once (at most 512 bytes) and dispatches every frame the bytes complete; returns the
    // number of bytes read, 0 or less when nothing was read.
    int readAndAssemble();

    FrameAssembler &assembler() { return m_assembler; }

private:
    PCommLite &m_port;
    FrameAssembler m_assembler;
    std::array<std::uint8_t, 512> m_buffer{};
    unsigned m_generation = 0;
};

} // namespace scrivlo
