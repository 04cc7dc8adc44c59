#include "faultaddress.h"

#include "elfimage.h"
#include "modules.h"

namespace crash {

FaultLocation describeFaultAddress(const char *maps, std::size_t mapsLength, std::uintptr_t address)
{
    FaultLocation location;
    LoadedModule module;
    if (!findModule(maps, mapsLength, address, module))
        return location;
    location.path = module.path;
    location.pathLength = module.pathLength;

    ElfImage image;
    if (!readElfImage(module.base, image))
        return location;
    // Every segment's place follows from its address relative to the file's start.
    unsigned section = 0;
    const std::uint64_t relative = address - module.base;
    for (unsigned i = 0; i < image.count; ++i) {
        const Elf64_Phdr &segment = image.headers[i];
        if (segment.p_type != PT_LOAD)
            continue;
        ++section;
        const std::uint64_t start = segment.p_vaddr - image.firstAddress;
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

} // namespace crash
