#pragma once

#include "pcommlite.h"
#include "pendevice.h"
#include "pensimulator.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// A receiver inside the test process, put behind the library's serial wrapper in place of the
// system's port library while it lives. Every frame the library writes is recorded and answered at
// once by a PenDevice; the answer reaches the parser the usual way, through a receive
// notification, the event queue and a read on the worker thread. One at a time.
class ScriptedPort
{
public:
    ScriptedPort();
    ~ScriptedPort();
    ScriptedPort(const ScriptedPort &) = delete;
    ScriptedPort &operator=(const ScriptedPort &) = delete;

    pensim::PenDevice &device() { return m_device; }
    std::vector<pensim::Command> commands() const;
    void clearRecords();

    // Waits until the library has read and parsed every answer sent so far. A read that took
    // bytes asks for another; the worker handles one event after the other, so once that next
    // read finds nothing, the bytes before it have been through the parser.
    bool waitUntilTakenIn(std::chrono::milliseconds limit) const;

private:
    static const scrivlo::PortLibrary &library();
    static ScriptedPort &current();

    int open();
    int close();
    int read(int port, std::uint8_t *buffer, int size);
    int write(int port, const std::uint8_t *bytes, int length);
    int onReceive(scrivlo::PortNotification callback);
    void dropUnread();

    static std::atomic<ScriptedPort *> s_current;

    pensim::PenDevice m_device;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_takenIn;
    std::vector<pensim::Command> m_commands;
    pensim::Bytes m_unread;
    bool m_readAskedAgain = false;
    scrivlo::PortNotification m_onReceive = nullptr;
};
