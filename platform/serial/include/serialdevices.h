#pragma once

#include <string>
#include <vector>

// Lists the machine's serial ports and numbers them, as the system's device list would: USB
// adapters first, then the other ports known to sysfs, then serial-looking nodes that only the
// device folder knows, each group in natural name order, numbered 1..N (at most 255). The kernel
// console and ports without hardware behind them are never listed.
//
// Roots: $SCRIVLO_SERIAL_SYSFS (default /sys/class/tty) and $SCRIVLO_SERIAL_DEVDIR (default /dev).
namespace serialport {

struct SerialDevice
{
    int portNumber = 0;
    std::string name;        // node name in the device folder, e.g. "ttyUSB0"
    std::string devicePath;  // the node in the device folder
    std::string description; // product name or kind of port; the link target for folder-only nodes
    bool usb = false;
};

// Lists the ports and binds each number to its node (bindPort), unbinding numbers no longer
// listed, so that open(portNumber) reaches the listed device.
std::vector<SerialDevice> listSerialDevices();

std::string sysfsRoot();
std::string deviceRoot();

} // namespace serialport
