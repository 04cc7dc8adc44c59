#pragma once

#include <cstddef>
#include <cstdint>

namespace crash {

// Where an address lies: the module that holds it, and which of the module's loadable segments
// (numbered from 1 in the order of its program headers) at what offset. An address in no module
// has an empty path; one in no segment of its module has section and offset 0.
struct FaultLocation
{
    const char *path = ""; // into the maps text; not NUL-terminated
    std::size_t pathLength = 0;
    unsigned section = 0;
    std::uint64_t offset = 0;
};

// Reads the module's headers from memory without faulting. Async-signal-safe.
FaultLocation describeFaultAddress(const char *maps, std::size_t mapsLength,
                                   std::uintptr_t address);

} // namespace crash
