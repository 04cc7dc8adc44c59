#pragma once

#include <cstdint>

namespace crash {

// Facts about the machine that do not change while the program runs, gathered at install time.
struct SystemFacts
{
    std::uint16_t processorLevel = 0;
    std::uint16_t processorRevision = 0;
    std::uint8_t processorCount = 1;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t vendorId[3] = {};
    std::uint32_t versionInformation = 0;
    std::uint32_t featureInformation = 0;
    std::uint32_t amdExtendedFeatures = 0;
    // "Linux <release> <version> <machine>", as the format's service-pack text.
    char description[512] = {};
};

SystemFacts collectSystemFacts();

} // namespace crash
