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

// The part of a thread's stack worth keeping: from just below the stack pointer (its red zone)
// to the end of the mapping that holds it. After a stack overflow the pointer may sit in the
// guard below the stack; then the stack is the writable mapping just above it. The main
// thread's stack ends where the process's arguments and environment begin (`startOfArguments`,
// 0 when unknown): those stay out of dumps. False when no stack is found.
bool findStackRange(const char *maps, std::size_t length, std::uintptr_t stackPointer,
                    std::uintptr_t startOfArguments, std::uintptr_t &begin, std::uintptr_t &end);

// Install time: where the main thread's stack meets the arguments and environment, from
// /proc/self/stat; 0 when it cannot be read.
std::uintptr_t startOfProcessArguments();

} // namespace crash
