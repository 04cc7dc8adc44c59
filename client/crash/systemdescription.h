#pragma once

#include <cstdint>

namespace crash {
class TextBuffer;
}

// What a crash report says about the machine, gathered at install time: at crash time the
// system is not asked.
struct SystemDescription
{
    bool x86 = false;                 // the processor is of the x86 family
    std::uint32_t processorLevel = 0; // its family, as the processor reports it
    long processorCount = 1;
    char systemName[65] = {}; // "Linux"
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    char versionText[400] = {}; // the release and the kernel's build text
};

SystemDescription collectSystemDescription();

// The report's name for a processor level of the x86 family.
const char *processorLevelText(std::uint32_t level);

// "Processor Level: ...", "Processor Numbers: ..." and "OS: ..." lines. Async-signal-safe.
void appendCpuInfo(crash::TextBuffer &text, const SystemDescription &system);
void appendSystemVersion(crash::TextBuffer &text, const SystemDescription &system);
