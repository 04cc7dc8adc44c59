#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace scrivlo {

struct PortEntry
{
    std::uint8_t portNumber = 0;
    char description[512] = {}; // NUL-terminated, cut to fit
    std::uint8_t present = 0;
};

// Entry n - 1 describes port n (1 to 256).
struct PortTable
{
    std::array<PortEntry, 256> entries{};
};

// Clears the table and fills in the present serial ports, each bound so that the port library
// opens it by number. Always succeeds; an empty table means no serial port.
bool enumerateComPorts(PortTable &table);

// The numbers of the present entries in table order (ascending port number).
std::vector<std::uint8_t> presentPortNumbers(const PortTable &table);

} // namespace scrivlo
