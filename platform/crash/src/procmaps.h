#pragma once

#include <cstddef>
#include <cstdint>

namespace crash {

// One line of /proc/<pid>/maps.
struct Mapping
{
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    bool readable = false;
    bool writable = false;
    bool executable = false;
    std::uint64_t offset = 0;
    std::uint32_t deviceMajor = 0;
    std::uint32_t deviceMinor = 0;
    std::uint64_t inode = 0;
    const char *path = ""; // points into the text; not NUL-terminated
    std::size_t pathLength = 0;
};

// Walks the lines of a maps text without allocating. Lines that do not parse are skipped.
class MappingReader
{
public:
    MappingReader(const char *text, std::size_t length) : m_at(text), m_end(text + length) {}
    bool next(Mapping &mapping);

private:
    const char *m_at;
    const char *m_end;
};

// Reads a whole /proc file into the buffer (NUL-terminated); returns its length, cut to fit.
// Async-signal-safe.
std::size_t readProcFile(const char *path, char *buffer, std::size_t capacity);

// The mapping that holds `address`, searched in the maps text; false when none does.
bool findMapping(const char *maps, std::size_t length, std::uintptr_t address, Mapping &found);

} // namespace crash
