#pragma once

#include "crashhandler.h"

#include <cstdint>

namespace crash {
class TextBuffer;
}

// The data segment selectors at the crash; the signal context does not carry them.
struct DataSelectors
{
    std::uint16_t ds = 0;
    std::uint16_t es = 0;
};

// The report's text after its module list: time, processor, system, exception code and name,
// fault address and module, registers and call stack; the machine as crash.system describes it.
// Async-signal-safe.
void composeCrashReport(crash::TextBuffer &text, const crash::CrashContext &crash,
                        const DataSelectors &selectors);
