#pragma once

#include <cstddef>
#include <cstdint>

namespace crash {
struct Mapping;
}

// The loaded modules as a crash sees them, from the text of the process's memory map: every ELF
// file mapped from its start, reaching to the last mapping of the same file. These are the
// modules that the minidump lists too. Nothing here allocates; async-signal-safe.
struct LoadedModule
{
    std::uintptr_t base = 0; // the mapping at file offset 0
    std::uintptr_t end = 0;
    const char *path = ""; // into the maps text; not NUL-terminated
    std::size_t pathLength = 0;
};

class ModuleReader
{
public:
    ModuleReader(const char *maps, std::size_t length);
    bool next(LoadedModule &module);

private:
    bool mappingAt(std::size_t &at, crash::Mapping &mapping) const;

    const char *m_maps;
    std::size_t m_length;
    std::size_t m_at = 0;
};

// The module that holds `address`; false for memory of no module (heap, stack, anonymous code).
bool findModule(const char *maps, std::size_t length, std::uintptr_t address, LoadedModule &module);
