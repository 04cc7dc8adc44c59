#include "faultaddress.h"

#include "modulemap.h"
#include "safememory.h"

#include <cstring>
#include <elf.h>

namespace {

constexpr unsigned kMaxProgramHeaders = 64;

} // namespace

FaultLocation describeFaultAddress(const char *maps, std::size_t mapsLength, std::uintptr_t address)
{
    FaultLocation location;
    LoadedModule module;
    if (!findModule(maps, mapsLength, address, module))
        return location;
    location.path = module.path;
    location.pathLength = module.pathLength;

    Elf64_Ehdr header;
    if (!crash::readMemory(&header, module.base, sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr) ||
        header.e_phnum == 0 || header.e_phnum > kMaxProgramHeaders)
        return location;
    Elf64_Phdr headers[kMaxProgramHeaders];
    if (!crash::readMemory(headers, module.base + header.e_phoff,
                           header.e_phnum * sizeof(Elf64_Phdr)))
        return location;

    // The base is where the first loadable segment's file start is mapped; every segment's
    // place follows from its address relative to that one.
    std::uint64_t firstAddress = 0;
    bool haveFirst = false;
    unsigned section = 0;
    const std::uint64_t relative = address - module.base;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        const Elf64_Phdr &segment = headers[i];
        if (segment.p_type != PT_LOAD)
            continue;
        if (!haveFirst) {
            firstAddress = segment.p_vaddr - segment.p_offset;
            haveFirst = true;
        }
        ++section;
        const std::uint64_t start = segment.p_vaddr - firstAddress;
        const std::uint64_t size =
            segment.p_filesz > segment.p_memsz ? segment.p_filesz : segment.p_memsz;
        if (start <= relative && relative <= start + size) {
            location.section = section;
            location.offset = relative - start;
            break;
        }
    }
    return location;
}
