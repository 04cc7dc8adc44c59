#include "modulemap.h"

#include "procmaps.h"
#include "safememory.h"

#include <cstring>
#include <elf.h>

namespace {

bool sameFile(const crash::Mapping &a, const crash::Mapping &b)
{
    return a.inode == b.inode && a.deviceMajor == b.deviceMajor && a.deviceMinor == b.deviceMinor &&
           a.pathLength == b.pathLength && std::memcmp(a.path, b.path, a.pathLength) == 0;
}

bool startsModule(const crash::Mapping &m)
{
    if (m.pathLength == 0 || m.path[0] != '/' || m.inode == 0 || m.offset != 0 || !m.readable)
        return false;
    unsigned char magic[SELFMAG];
    return crash::readMemory(magic, m.start, sizeof magic) &&
           std::memcmp(magic, ELFMAG, SELFMAG) == 0;
}

} // namespace

ModuleReader::ModuleReader(const char *maps, std::size_t length) : m_maps(maps), m_length(length) {}

// The mapping on the line at `at`, and where the next line begins.
bool ModuleReader::mappingAt(std::size_t &at, crash::Mapping &mapping) const
{
    while (at < m_length) {
        std::size_t end = at;
        while (end < m_length && m_maps[end] != '\n' && m_maps[end] != '\0')
            ++end;
        crash::MappingReader line(m_maps + at, end - at);
        at = end < m_length ? end + 1 : m_length;
        if (line.next(mapping))
            return true;
    }
    return false;
}

bool ModuleReader::next(LoadedModule &module)
{
    crash::Mapping first;
    while (mappingAt(m_at, first)) {
        if (!startsModule(first))
            continue;
        module.base = first.start;
        module.end = first.end;
        module.path = first.path;
        module.pathLength = first.pathLength;
        std::size_t after = m_at;
        crash::Mapping more;
        while (mappingAt(after, more) && sameFile(first, more) && more.offset != 0) {
            module.end = more.end;
            m_at = after;
        }
        return true;
    }
    return false;
}

bool findModule(const char *maps, std::size_t length, std::uintptr_t address, LoadedModule &module)
{
    ModuleReader reader(maps, length);
    LoadedModule candidate;
    while (reader.next(candidate)) {
        if (candidate.base <= address && address < candidate.end) {
            module = candidate;
            return true;
        }
    }
    return false;
}
