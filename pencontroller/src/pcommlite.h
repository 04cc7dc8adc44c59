#pragma once

#include "commandframe.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

class CScrivloControllerCtrl;

namespace scrivlo {

using PortNotification = void (*)(int port);

// The serial port library's operations, each taking the port number first; 0 is success unless
// said otherwise. Tests hand in a scripted table.
struct PortLibrary
{
    int (*open)(int port);
    int (*close)(int port);
    int (*setLine)(int port, int speedCode, int lineMode);
    int (*setFlowControl)(int port, int mask);
    int (*setDtr)(int port, int on);
    int (*setRts)(int port, int on);
    int (*getSpeed)(int port); // positive on success
    int (*setTimeout)(int port, int milliseconds);
    int (*read)(int port, std::uint8_t *buffer, int size); // count read
    int (*write)(int port, const std::uint8_t *buffer, int length);
    int (*onReceive)(int port, PortNotification callback, int threshold);
    int (*onLineError)(int port, PortNotification callback);
    int (*onEventA)(int port, PortNotification callback);
    int (*onEventB)(int port, PortNotification callback);
    int (*onCharacter)(int port, PortNotification callback, int character);
};

// The platform's serial port library (platform/serial).
const PortLibrary &systemPortLibrary();

inline constexpr char kEventCommunication[] = "OnCommunication";
inline constexpr char kEventPortError[] = "OnPCommError";

// Where the port notifications put their event names (the controller's event queue).
using EventSink = void (*)(const char *eventName);
// Where a failed assertion is reported; by default a line on standard error.
using AssertionHandler = void (*)(const char *expression, const char *source, int line);

struct PortSettings
{
    CScrivloControllerCtrl *owner = nullptr;
    int port = 0;
    int speedCode = 0;
    int parityCode = 0;
    int dataBitsCode = 0;
    int stopBitsCode = 0;
    bool rtsCtsFlow = false;
    bool xonXoffFlow = false;
    bool dtr = false;
    bool rts = false;
    bool open = false;
};

// Keeps the one port in use: its settings, opening with line set-up and notifications, reads,
// whole-frame writes and closing. Open, close, read and write are serialised, so a read or write
// never reaches a port that is being closed or a new port half set up.
class PCommLite
{
public:
    // The process-wide wrapper over the system's port library.
    static PCommLite &instance();
    explicit PCommLite(const PortLibrary &library);
    PCommLite(const PCommLite &) = delete;
    PCommLite &operator=(const PCommLite &) = delete;

    // Puts another port library behind the wrapper, such as a receiver a test scripts in the
    // process; an open port is closed first, through the library that opened it.
    void setPortLibrary(const PortLibrary &library);

    // Checks and stores the settings; the values stored before a failing check stay stored.
    bool configurePort(CScrivloControllerCtrl *owner, int port, int speedCode, int parityCode,
                       int dataBitsCode, int stopBitsCode);
    bool openAndMonitor();
    void closePort();
    bool applyLineSettings();
    bool registerNotifications();

    // One read of the open port (at most `size` bytes); 0 or less when nothing was read or no
    // port is open.
    // `generation`, when given, receives a number that changes with every successful open, so
    // that readers can drop state of an earlier port.
    int read(std::uint8_t *buffer, int size, unsigned *generation = nullptr);
    // Writes the frame in one call, only while the port is open; false when nothing went out.
    bool write(const std::uint8_t *bytes, std::size_t length);
    bool write(const CommandFrame &frame) { return write(frame.data(), frame.size()); }

    PortSettings settings() const;
    bool isOpen() const;

    // The wait for one write, from the line's speed v: max(3 * max(1000 / v, 1), 100) ms, and
    // 100 ms when the speed is unknown (v <= 0).
    static int lineTimeoutMs(int speed);

    static void setEventSink(EventSink sink);
    static void setAssertionHandler(AssertionHandler handler);

    // Registered with the port library; they only hand an event name to the sink.
    static void onReceiveNotification(int port);
    static void onLineErrorNotification(int port);
    static void onEventNotification(int port);

private:
    void clearNotifications();
    void closeLocked();

    const PortLibrary *m_library;
    mutable std::recursive_mutex m_mutex;
    PortSettings m_settings;
    unsigned m_generation = 0;
};

} // namespace scrivlo
