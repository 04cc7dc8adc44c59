#pragma once

#include "procmaps.h"

#include <cstddef>
#include <cstdint>

namespace crash {

// The loaded modules as a crash sees them, from the text of the process's memory map: a module
// is an ELF file mapped from offset 0. Its base is that mapping (not the executable one, which
// would shift every symbol), and it reaches to the last mapping of the same file that follows,
// memory of no file in between passed over. The dump's module list and a report's are both
// these. Nothing here allocates; async-signal-safe.
struct LoadedModule
{
    std::uintptr_t base = 0; // the mapping at file offset 0
    std::uintptr_t end = 0;
    std::uint32_t deviceMajor = 0;
    std::uint32_t deviceMinor = 0;
    std::uint64_t inode = 0;
    const char *path = ""; // into the maps text; not NUL-terminated
    std::size_t pathLength = 0;
};

class ModuleReader
{
public:
    ModuleReader(const char *maps, std::size_t length);
    bool next(LoadedModule &module);

private:
    MappingReader m_mappings;
};

// The module that holds `address`; false for memory of no module (heap, stack, anonymous code).
bool findModule(const char *maps, std::size_t length, std::uintptr_t address, LoadedModule &module);

// The mapping is of the module's file (same device, inode and path).
bool isMappingOf(const Mapping &mapping, const LoadedModule &module);

} // namespace crash
