#include "uploadcrc.h"

#include <zlib.h>

namespace scrivlo {

std::uint32_t crc32Update(std::uint32_t running, const std::uint8_t *bytes, std::size_t count)
{
    // zlib answers 0 for no data; the running value must survive an empty frame.
    if (count == 0 || !bytes)
        return running;
    return static_cast<std::uint32_t>(::crc32_z(running, bytes, count));
}

} // namespace scrivlo
