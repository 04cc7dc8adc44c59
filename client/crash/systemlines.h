#pragma once

#include <cstdint>

namespace crash {
class TextBuffer;
struct SystemFacts;
} // namespace crash

// The report's name for a processor level of the x86 family.
const char *processorLevelText(std::uint32_t level);

// "Processor Level: ...", "Processor Numbers: ..." and "OS: ..." lines. Async-signal-safe.
void appendCpuInfo(crash::TextBuffer &text, const crash::SystemFacts &system);
void appendSystemVersion(crash::TextBuffer &text, const crash::SystemFacts &system);
