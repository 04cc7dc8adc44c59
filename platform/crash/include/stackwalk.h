#pragma once

#include <cstddef>
#include <cstdint>
#include <ucontext.h>

namespace crash {

struct StackFrame
{
    std::uintptr_t instruction;
    std::uintptr_t frame; // the frame pointer register as the frame had it
};

// The call stack from the registers in `context`, for a text report, found by the unwind tables
// of the modules (libraries here keep no frame pointers, so a frame-pointer chain would end in the
// first library frame). Bounded: at most `capacity` frames, and every frame must lie above the
// one it called within [stackBegin, stackEnd) (CrashContext's stack), so a corrupt stack ends the
// walk; the unwinder checks its reads, so it never faults. The first frame is the instruction
// pointer itself; nothing is looked up by name (the dump is the full record). Returns the number
// of frames written. Async-signal-safe once prepareStackWalk() has run.
std::size_t walkStack(const ucontext_t &context, std::uintptr_t stackBegin, std::uintptr_t stackEnd,
                      StackFrame *frames, std::size_t capacity);

// Install time: the unwinder sets itself up on first use (locks, caches, its own memory checks);
// this makes that use now, so that a walk at crash time finds it done.
void prepareStackWalk();

} // namespace crash
