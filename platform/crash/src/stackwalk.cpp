#include "stackwalk.h"

#define UNW_LOCAL_ONLY
#include <libunwind.h>

namespace crash {

std::size_t walkStack(const ucontext_t &context, std::uintptr_t stackBegin, std::uintptr_t stackEnd,
                      StackFrame *frames, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    const greg_t *registers = context.uc_mcontext.gregs;
    frames[0] = StackFrame{static_cast<std::uintptr_t>(registers[REG_RIP]),
                           static_cast<std::uintptr_t>(registers[REG_RBP])};
    std::size_t count = 1;
    std::uintptr_t below = static_cast<std::uintptr_t>(registers[REG_RSP]);
    if (stackBegin >= stackEnd)
        return count;

    // The unwinder takes its registers from a context it may write to; the caller's stays as it
    // is. The first frame is where the thread stopped, not a return address.
    ucontext_t copy = context;
    unw_cursor_t cursor;
    if (unw_init_local2(&cursor, &copy, UNW_INIT_SIGNAL_FRAME) != 0)
        return count;
    while (count < capacity && unw_step(&cursor) > 0) {
        unw_word_t instruction = 0, stackPointer = 0, framePointer = 0;
        if (unw_get_reg(&cursor, UNW_REG_IP, &instruction) != 0 ||
            unw_get_reg(&cursor, UNW_REG_SP, &stackPointer) != 0 ||
            unw_get_reg(&cursor, UNW_X86_64_RBP, &framePointer) != 0)
            break;
        if (instruction == 0 || stackPointer <= below || stackPointer < stackBegin ||
            stackPointer >= stackEnd)
            break;
        frames[count++] = StackFrame{instruction, framePointer};
        below = stackPointer;
    }
    return count;
}

void prepareStackWalk()
{
    ucontext_t context;
    if (getcontext(&context) != 0)
        return;
    const auto stackPointer = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RSP]);
    StackFrame frames[2];
    walkStack(context, stackPointer, stackPointer + 4096, frames, 2);
}

} // namespace crash
