#include "portenumeration.h"

#include "serialdevices.h"

#include <algorithm>
#include <cstring>

namespace scrivlo {

bool enumerateComPorts(PortTable &table)
{
    table = PortTable{};
    for (const serialport::SerialDevice &device : serialport::listSerialDevices()) {
        const int n = device.portNumber;
        if (n < 1 || n > static_cast<int>(table.entries.size()))
            continue;
        PortEntry &entry = table.entries[static_cast<std::size_t>(n - 1)];
        entry.portNumber = static_cast<std::uint8_t>(n);
        entry.present = 1;
        const std::size_t length =
            std::min(device.description.size(), sizeof entry.description - 1);
        std::memcpy(entry.description, device.description.data(), length);
        entry.description[length] = '\0';
    }
    return true;
}

std::vector<std::uint8_t> presentPortNumbers(const PortTable &table)
{
    std::vector<std::uint8_t> ports;
    for (const PortEntry &entry : table.entries)
        if (entry.present)
            ports.push_back(entry.portNumber);
    return ports;
}

} // namespace scrivlo
