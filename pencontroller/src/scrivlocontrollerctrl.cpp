#include "scrivlocontrollerctrl.h"

#include "pcommlite.h"

#include <cstring>

namespace {

// Built when the library is loaded, destroyed when it is unloaded.
CScrivloControllerCtrl g_controller;

void pushToController(const char *name)
{
    g_controller.pushEvent(name);
}

} // namespace

CScrivloControllerCtrl &CScrivloControllerCtrl::instance()
{
    return g_controller;
}

CScrivloControllerCtrl::CScrivloControllerCtrl()
    : m_upload(scrivlo::makeUploadSink(m_state, *this)), m_parser(m_state, *this, *m_upload),
      m_reader(m_parser, scrivlo::PCommLite::instance())
{
    // The wrapper is built first, so it outlives the controller.
    scrivlo::PCommLite::setEventSink(&pushToController);
    m_worker = std::thread([this] { workerLoop(); });
    m_workerId.store(m_worker.get_id());
}

CScrivloControllerCtrl::~CScrivloControllerCtrl()
{
    scrivlo::PCommLite::setEventSink(nullptr);
    m_queue.stop();
    if (!m_worker.joinable())
        return;
    // A callback that called exit() runs this on the worker itself, which cannot wait for its own
    // end; the process is ending and the worker never returns into the library.
    if (onWorkerThread())
        m_worker.detach();
    else
        m_worker.join();
}

bool CScrivloControllerCtrl::writeFrame(const scrivlo::CommandFrame &frame)
{
    return scrivlo::PCommLite::instance().write(frame);
}

void CScrivloControllerCtrl::workerLoop()
{
    for (;;) {
        const std::string name = m_queue.waitAndPop();
        if (m_queue.stopped())
            return;
        if (name == scrivlo::kEventCommunication)
            assembleFrames();
        else if (name == scrivlo::kEventFileDataTransfer)
            m_upload->deliverUploadPoints();
        // "OnPCommError" and anything else: nothing to do.
    }
}

void CScrivloControllerCtrl::assembleFrames()
{
    // Exactly one read per event; bytes left waiting come with the next event.
    m_reader.readAndAssemble();
}
