#include "elfimage.h"

#include "safememory.h"

#include <cstring>

namespace crash {

bool readElfImage(std::uintptr_t base, ElfImage &image)
{
    Elf64_Ehdr header;
    if (!readMemory(&header, base, sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr) ||
        header.e_phnum == 0 || header.e_phnum > ElfImage::kMaxHeaders ||
        !readMemory(image.headers, base + header.e_phoff, header.e_phnum * sizeof(Elf64_Phdr)))
        return false;
    image.count = header.e_phnum;
    for (unsigned i = 0; i < image.count; ++i) {
        if (image.headers[i].p_type == PT_LOAD) {
            image.firstAddress = image.headers[i].p_vaddr - image.headers[i].p_offset;
            return true;
        }
    }
    return false;
}

} // namespace crash
