#include "framereader.h"

namespace scrivlo {

int FrameReader::readAndAssemble()
{
    unsigned generation = 0;
    const int n = m_port.read(m_buffer.data(), static_cast<int>(m_buffer.size()), &generation);
    if (n <= 0)
        return n;
    if (generation != m_generation) {
        m_assembler.reset();
        m_generation = generation;
    }
    m_assembler.feed(m_buffer.data(), static_cast<std::size_t>(n));
    return n;
}

} // namespace scrivlo
