#pragma once

#include <cstdint>
#include <elf.h>

namespace crash {

// The program headers of an ELF image as it lies in this process's memory.
struct ElfImage
{
    static constexpr unsigned kMaxHeaders = 256;
    Elf64_Phdr headers[kMaxHeaders];
    unsigned count = 0;
    // The image's own address of the file's start (the first loadable segment's address less its
    // file offset): 0 for a shared object, the link address for a fixed-address program. The
    // module's base in memory stands for it.
    std::uint64_t firstAddress = 0;
};

// Reads the headers of the image whose file start is mapped at `base`, without faulting. False
// when no 64-bit ELF image with a loadable segment is there. Async-signal-safe.
bool readElfImage(std::uintptr_t base, ElfImage &image);

} // namespace crash
