#pragma once

#include <cstdint>

namespace crash {

// Facts about the machine that do not change while the program runs, gathered at install time so
// that a crash never asks the system: the dump's system record and a report's processor and
// system lines both come from here.
struct SystemFacts
{
    bool x86 = false;                    // the processor is of the x86 family and answered cpuid
    std::uint16_t processorLevel = 0;    // its family, extended family included
    std::uint16_t processorRevision = 0; // model and stepping
    std::uint32_t processorCount = 1;
    // The kernel release "6.1.0-18-amd64" read as 6, 1 and 0.
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t vendorId[3] = {};
    std::uint32_t versionInformation = 0;
    std::uint32_t featureInformation = 0;
    std::uint32_t amdExtendedFeatures = 0;
    // The kernel's names for itself: "Linux", "6.1.0-18-amd64", its build text, "x86_64".
    char systemName[65] = {};
    char release[65] = {};
    char version[65] = {};
    char machine[65] = {};
};

SystemFacts collectSystemFacts();

} // namespace crash
