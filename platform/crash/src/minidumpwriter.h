#pragma once

#include "systemfacts.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <ucontext.h>

namespace crash {

namespace minidump {
struct MemoryDescriptor;
}

struct ModuleEntry;

// Memory the writer works in, set aside at install time so that nothing is allocated at crash
// time. The maps text is read by the caller first: the crash handler needs it as well.
struct DumpScratch
{
    char *maps = nullptr;
    std::size_t mapsCapacity = 0;
    std::size_t mapsLength = 0;
    char *status = nullptr;
    std::size_t statusCapacity = 0;
    ModuleEntry *modules = nullptr;
    std::size_t moduleCapacity = 0;
    minidump::MemoryDescriptor *ranges = nullptr;
    std::size_t rangeCapacity = 0;
    char *output = nullptr;
    std::size_t outputCapacity = 0;
};

// Maps one block for all of the scratch memory (committed only when touched). False when the
// memory cannot be had.
bool allocateDumpScratch(DumpScratch &scratch);

struct DumpRequest
{
    int signal = 0;
    int signalCode = 0;
    std::uintptr_t faultAddress = 0;
    const ucontext_t *context = nullptr;
    pid_t pid = 0;
    pid_t tid = 0;
    std::int64_t time = 0; // UTC seconds
    // The thread's stack to dump (the writer caps its size); empty for none.
    std::uintptr_t stackBegin = 0;
    std::uintptr_t stackEnd = 0;
    bool dataSegments = false;
};

// Writes a minidump of the calling thread (as captured in request.context) into fd, from the
// start of the file. Async-signal-safe. False when a write failed.
bool writeMinidump(int fd, const DumpRequest &request, const SystemFacts &facts,
                   DumpScratch &scratch);

} // namespace crash
