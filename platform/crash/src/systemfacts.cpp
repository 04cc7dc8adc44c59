#include "systemfacts.h"

#include "textbuffer.h"

#include <cpuid.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace crash {

namespace {

// "6.1.0-18-amd64" -> 6, 1, 0
void parseRelease(const char *release, SystemFacts &facts)
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
    facts.majorVersion = parts[0];
    facts.minorVersion = parts[1];
    facts.buildNumber = parts[2];
}

template <std::size_t N> void copyName(char (&to)[N], const char *from)
{
    TextBuffer(to, N).text(from);
}

} // namespace

SystemFacts collectSystemFacts()
{
    SystemFacts facts;
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    facts.processorCount = processors > 0 ? static_cast<std::uint32_t>(processors) : 1;

    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        facts.x86 = true;
        facts.vendorId[0] = ebx;
        facts.vendorId[1] = edx;
        facts.vendorId[2] = ecx;
    }
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        facts.versionInformation = eax;
        facts.featureInformation = edx;
        unsigned family = (eax >> 8) & 0xF;
        unsigned model = (eax >> 4) & 0xF;
        const unsigned stepping = eax & 0xF;
        if (family == 0xF)
            family += (eax >> 20) & 0xFF;
        if (family == 0x6 || family >= 0xF)
            model += ((eax >> 16) & 0xF) << 4;
        facts.processorLevel = static_cast<std::uint16_t>(family);
        facts.processorRevision = static_cast<std::uint16_t>((model << 8) | stepping);
    }
    if (__get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx))
        facts.amdExtendedFeatures = edx;

    utsname names{};
    if (uname(&names) == 0) {
        parseRelease(names.release, facts);
        copyName(facts.systemName, names.sysname);
        copyName(facts.release, names.release);
        copyName(facts.version, names.version);
        copyName(facts.machine, names.machine);
    }
    return facts;
}

} // namespace crash
