#pragma once

#include "controllerstate.h"
#include "eventqueue.h"
#include "framereader.h"
#include "replyparser.h"
#include "resultring.h"
#include "uploadsink.h"
#include "waitclock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The controller: one instance for the life of the library. It owns the answers, statuses and
// callbacks, the result ring, the event queue and the worker thread that reads the port and runs
// the reply parser. Every callback runs on that worker thread.
class CScrivloControllerCtrl : public scrivlo::FrameWriter
{
public:
    CScrivloControllerCtrl();
    ~CScrivloControllerCtrl() override;
    CScrivloControllerCtrl(const CScrivloControllerCtrl &) = delete;
    CScrivloControllerCtrl &operator=(const CScrivloControllerCtrl &) = delete;

    static CScrivloControllerCtrl &instance();

    scrivlo::ControllerState &state() { return m_state; }
    scrivlo::ResultRing &results() { return m_results; }
    scrivlo::UploadSink &upload() { return *m_upload; }

    void pushEvent(const char *name) { m_queue.push(name); }
    // Writes one frame in one write while the port is open; false when nothing went out.
    bool writeFrame(const scrivlo::CommandFrame &frame) override;
    // True inside a callback: nothing is parsed until the callback returns.
    bool onWorkerThread() const { return std::this_thread::get_id() == m_workerId.load(); }

    // The clock the requests wait on; null puts the steady clock back.
    scrivlo::WaitClock &waitClock() const { return *m_waitClock.load(); }
    void setWaitClock(scrivlo::WaitClock *clock)
    {
        m_waitClock.store(clock ? clock : &scrivlo::steadyWaitClock());
    }

    // The line settings of the port being tried and the ports found by the last openPort.
    int m_speedCode = 0;
    int m_portNumber = 0;
    int m_parityCode = 0;
    int m_dataBitsCode = 0;
    int m_stopBitsCode = 0;
    std::vector<std::uint8_t> m_presentPorts;
    // openPort closes and reopens the one port; two at once would close each other's port.
    std::mutex m_openPortMutex;

private:
    void workerLoop();
    void assembleFrames();

    scrivlo::ControllerState m_state;
    scrivlo::ResultRing m_results;
    std::unique_ptr<scrivlo::UploadSink> m_upload;
    scrivlo::ReplyParser m_parser;
    scrivlo::FrameReader m_reader;
    scrivlo::EventQueue m_queue;
    std::atomic<std::thread::id> m_workerId{};
    std::atomic<scrivlo::WaitClock *> m_waitClock{&scrivlo::steadyWaitClock()};
    std::thread m_worker;
};
