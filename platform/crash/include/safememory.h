#pragma once

#include <cstddef>
#include <cstdint>

namespace crash {

// Copies memory of this process that may not be readable (a module unmapped since the map was
// read, a pointer taken from a corrupt stack): false instead of a fault when any of it cannot be
// read. Async-signal-safe.
bool readMemory(void *to, std::uintptr_t from, std::size_t length);

// Install time: sets aside what later reads go through, so that a crash needs no new file
// descriptor. Reads before it (or while another thread reads) take a descriptor of their own.
bool prepareMemoryReads();

} // namespace crash
