#include "modules.h"

#include "safememory.h"

#include <cstring>
#include <elf.h>

namespace crash {

namespace {

bool isOfNoFile(const Mapping &m)
{
    return m.pathLength == 0 || m.path[0] != '/' || m.inode == 0;
}

bool startsModule(const Mapping &m)
{
    if (isOfNoFile(m) || m.offset != 0 || !m.readable)
        return false;
    unsigned char magic[SELFMAG];
    return readMemory(magic, m.start, sizeof magic) && std::memcmp(magic, ELFMAG, SELFMAG) == 0;
}

LoadedModule moduleAt(const Mapping &m)
{
    LoadedModule module;
    module.base = m.start;
    module.end = m.end;
    module.deviceMajor = m.deviceMajor;
    module.deviceMinor = m.deviceMinor;
    module.inode = m.inode;
    module.path = m.path;
    module.pathLength = m.pathLength;
    return module;
}

} // namespace

bool isMappingOf(const Mapping &mapping, const LoadedModule &module)
{
    return mapping.inode == module.inode && mapping.deviceMajor == module.deviceMajor &&
           mapping.deviceMinor == module.deviceMinor && mapping.pathLength == module.pathLength &&
           std::memcmp(mapping.path, module.path, module.pathLength) == 0;
}

ModuleReader::ModuleReader(const char *maps, std::size_t length) : m_mappings(maps, length) {}

bool ModuleReader::next(LoadedModule &module)
{
    Mapping first;
    while (m_mappings.next(first)) {
        if (!startsModule(first))
            continue;
        module = moduleAt(first);
        MappingReader ahead = m_mappings;
        Mapping more;
        while (ahead.next(more)) {
            if (isOfNoFile(more))
                continue;
            if (more.offset == 0 || !isMappingOf(more, module))
                break;
            module.end = more.end;
            m_mappings = ahead;
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

} // namespace crash
