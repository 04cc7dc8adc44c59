#include "uploadbuffer.h"

#include <cstring>

namespace scrivlo {

UploadBuffer::UploadBuffer() : m_bytes(new std::uint8_t[kCapacity]) {}

void UploadBuffer::clear()
{
    m_size = 0;
}

bool UploadBuffer::append(const std::uint8_t *bytes, std::size_t count)
{
    const std::size_t room = kCapacity - m_size;
    const std::size_t taken = count < room ? count : room;
    if (taken > 0) {
        std::memcpy(m_bytes.get() + m_size, bytes, taken);
        m_size += taken;
    }
    return taken == count;
}

} // namespace scrivlo
