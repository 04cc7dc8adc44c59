#include "stackwalk.h"

#include <cstring>

namespace crash {

std::size_t walkStack(const ucontext_t &context, std::uintptr_t stackBegin, std::uintptr_t stackEnd,
                      StackFrame *frames, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    std::uintptr_t frame = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RBP]);
    frames[0] = StackFrame{static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RIP]), frame};
    std::size_t count = 1;
    // A frame holds the caller's frame pointer and then the return address.
    constexpr std::uintptr_t kFrameRecord = 2 * sizeof(std::uintptr_t);
    while (count < capacity && frame % sizeof(std::uintptr_t) == 0 && frame >= stackBegin &&
           frame < stackEnd && stackEnd - frame >= kFrameRecord) {
        std::uintptr_t record[2];
        std::memcpy(record, reinterpret_cast<const void *>(frame), sizeof record);
        const std::uintptr_t caller = record[0];
        const std::uintptr_t returnAddress = record[1];
        if (returnAddress == 0)
            break;
        frames[count++] = StackFrame{returnAddress, caller};
        if (caller <= frame)
            break;
        frame = caller;
    }
    return count;
}

} // namespace crash
