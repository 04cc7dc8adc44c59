#include "uploadcrc.h"

namespace scrivlo {

std::uint32_t crc32Update(std::uint32_t running, const std::uint8_t *bytes, std::size_t count)
{
    if (count == 0 || !bytes)
        return running;
    std::uint32_t crc = ~running;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace scrivlo
