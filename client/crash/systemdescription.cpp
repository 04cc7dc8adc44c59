#include "systemdescription.h"

#include "textbuffer.h"

#include <cstring>
#include <sys/utsname.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

// "6.1.0-18-amd64" gives 6, 1 and 0.
void parseRelease(const char *release, SystemDescription &system)
{
    std::uint32_t parts[3] = {};
    int index = 0;
    for (const char *at = release; *at && index < 3; ++at) {
        if (*at >= '0' && *at <= '9')
            parts[index] = parts[index] * 10 + static_cast<std::uint32_t>(*at - '0');
        else if (*at == '.')
            ++index;
        else
            break;
    }
    system.majorVersion = parts[0];
    system.minorVersion = parts[1];
    system.buildNumber = parts[2];
}

} // namespace

SystemDescription collectSystemDescription()
{
    SystemDescription system;
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    system.processorCount = processors > 0 ? processors : 1;
#if defined(__x86_64__) || defined(__i386__)
    system.x86 = true;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        unsigned family = (eax >> 8) & 0xF;
        if (family == 0xF)
            family += (eax >> 20) & 0xFF;
        system.processorLevel = family;
    }
#endif
    utsname names{};
    if (uname(&names) == 0) {
        crash::TextBuffer name(system.systemName, sizeof system.systemName);
        name.text(names.sysname);
        parseRelease(names.release, system);
        crash::TextBuffer version(system.versionText, sizeof system.versionText);
        version.text(names.release).character(' ').text(names.version);
    }
    return system;
}

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

void appendCpuInfo(crash::TextBuffer &text, const SystemDescription &system)
{
    text.text("Processor Level: ");
    if (system.x86)
        text.text(processorLevelText(system.processorLevel));
    text.text("\r\nProcessor Numbers: ").decimal(system.processorCount).text("\r\n");
}

void appendSystemVersion(crash::TextBuffer &text, const SystemDescription &system)
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
        .text(system.versionText)
        .text("\r\n");
}
