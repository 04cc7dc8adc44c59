#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The serial port library: ports are addressed by number (1 to 255), the way the pen library's
// wrapper expects. A number is bound to a device node by the port listing (serialdevices.h) or by
// bindPort. Every call takes the port number first; 0 means success unless said otherwise.
//
// One monitor thread per open port reports, through the registered notifications, that bytes are
// waiting (again after each read while bytes remain, so that no tail of a burst is stranded) and,
// once, that the line hung up. Notifications run on the monitor thread and must not block.
namespace serialport {

enum Result : int
{
    kOk = 0,
    kBadPort = -1,     // number outside 1..255 or bound to no device
    kNotOpen = -2,     // the call needs an open port
    kAlreadyOpen = -3, // this number is open already
    kInUse = -4,       // another holder has the device (flock or TIOCEXCL)
    kOpenFailed = -5,  // the device cannot be opened or is not a terminal
    kBadArgument = -6, // a code outside the tables below
    kIoError = -7,     // the system refused the call
};

constexpr int kMinPort = 1;
constexpr int kMaxPort = 255;
constexpr int kReadChunk = 512;

// Speed codes 0..19: 50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800, 9600, 19200,
// 38400, 57600, 115200 (16), 230400, 460800, 921600 bit/s.
constexpr int kSpeed115200 = 16;
// Line mode = parity | data bits | stop bits.
constexpr int kParityNone = 0, kParityOdd = 8, kParityEven = 24, kParityMark = 40,
              kParitySpace = 56;
constexpr int kData5 = 0, kData6 = 1, kData7 = 2, kData8 = 3;
constexpr int kStop1 = 0, kStop2 = 4;
// Flow-control mask.
constexpr int kFlowRtsCts = 3, kFlowXonXoff = 12;

// Bit rate of a speed code, 0 for a code outside the table.
int speedOfCode(int speedCode);

using Notification = void (*)(int port);

// Binds a port number to a device node (a path in the device folder, links followed).
// An empty path unbinds it. Binding does not touch an open port.
int bindPort(int port, const std::string &devicePath);
std::string boundPath(int port);

// Bytes that waited in the device before it was opened are dropped, as a serial line that was
// closed would never have received them.
int open(int port);
int close(int port);

int setLine(int port, int speedCode, int lineMode);
int setFlowControl(int port, int mask);
int setDtr(int port, int on);
int setRts(int port, int on);
// Bit rate of the open port's line (positive), or a negative Result.
int getSpeed(int port);
// Upper bound for one write to go out; reads never wait.
int setTimeout(int port, int milliseconds);

// Reads what is waiting, at most `size` bytes, without waiting: the count, 0 when nothing waits,
// or a negative Result.
int read(int port, std::uint8_t *buffer, int size);
// Writes all `length` bytes or fails: the count written or a negative Result.
int write(int port, const std::uint8_t *buffer, int length);

// Registrations; a null callback clears one. onReceive's threshold is the least number of
// waiting bytes that is reported (values below 1 count as 1).
int onReceive(int port, Notification callback, int threshold);
int onLineError(int port, Notification callback);
// A terminal line raises none of these events: the registrations are accepted on an open port so
// that callers written for such a library run unchanged, and nothing is ever called back.
int onEventA(int port, Notification callback);
int onEventB(int port, Notification callback);
int onCharacter(int port, Notification callback, int character);

} // namespace serialport
