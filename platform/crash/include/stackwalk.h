#pragma once

#include <cstddef>
#include <cstdint>
#include <ucontext.h>

namespace crash {

struct StackFrame
{
    std::uintptr_t instruction;
    std::uintptr_t frame;
};

// Follows the frame-pointer chain from the registers in `context`, for a text report's call
// stack. Every read stays within [stackBegin, stackEnd) (CrashContext's stack), and the chain
// must climb, so a corrupt stack ends the walk instead of the process. Code built without frame
// pointers ends the chain early; the dump is the full record. Returns the number of frames
// written, the first being the instruction pointer itself. Async-signal-safe.
std::size_t walkStack(const ucontext_t &context, std::uintptr_t stackBegin, std::uintptr_t stackEnd,
                      StackFrame *frames, std::size_t capacity);

} // namespace crash
