#include "systemlines.h"

#include "systemfacts.h"
#include "textbuffer.h"

const char *processorLevelText(std::uint32_t level)
{
    switch (level) {
    case 3:
        return "Intel 30386";
    case 4:
        return "Intel 80486";
    case 5:
        return "Intel Pentium";
    case 6:
        return "Pentium II Above";
    default:
        return "Unknown";
    }
}

void appendCpuInfo(crash::TextBuffer &text, const crash::SystemFacts &system)
{
    text.text("Processor Level: ");
    if (system.x86)
        text.text(processorLevelText(system.processorLevel));
    text.text("\r\nProcessor Numbers: ").decimal(system.processorCount).text("\r\n");
}

void appendSystemVersion(crash::TextBuffer &text, const crash::SystemFacts &system)
{
    text.text("OS: ")
        .text(system.systemName)
        .character(' ')
        .decimal(system.majorVersion)
        .character('.')
        .decimal(system.minorVersion)
        .text(" Build ")
        .decimal(system.buildNumber)
        .character(' ')
        .text(system.release)
        .character(' ')
        .text(system.version)
        .text("\r\n");
}
