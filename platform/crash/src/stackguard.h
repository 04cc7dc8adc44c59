#pragma once

#include <cstdint>

namespace crash {

// A SIGSEGV is taken for a stack overflow when it hit memory that cannot be accessed (the guard
// page below a thread's stack, or the unmapped gap below the main stack) close to the stack
// pointer: a call pushes just below it, a big frame writes just above a lowered one.
inline bool isStackGuardFault(std::uintptr_t faultAddress, std::uintptr_t stackPointer,
                              bool faultAddressAccessible)
{
    constexpr std::uintptr_t kReach = 64 * 1024;
    if (faultAddressAccessible)
        return false;
    if (faultAddress <= stackPointer)
        return stackPointer - faultAddress <= kReach;
    return faultAddress - stackPointer <= kReach;
}

} // namespace crash
