#pragma once

#include <cstddef>
#include <cstdint>

namespace scrivlo {

// CRC-32 as zlib and PNG compute it (reflected polynomial 0xEDB88320), by zlib itself: it runs at
// memory speed where a bit loop would not keep up with a large upload. The running value is
// inverted on entry and on exit, so chaining the frames of an upload from 0 gives the CRC-32 of
// all their bytes. An update without bytes returns the running value unchanged: an empty frame
// must not wipe out what came before it.
std::uint32_t crc32Update(std::uint32_t running, const std::uint8_t *bytes, std::size_t count);

} // namespace scrivlo
