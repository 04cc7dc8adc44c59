#include "discovery.h"

#include "ScrivloController.h"
#include "commandframe.h"
#include "pcommlite.h"
#include "portenumeration.h"
#include "protocol.h"
#include "requests.h"
#include "scrivlocontrollerctrl.h"

#include <memory>

namespace scrivlo {
namespace {

constexpr int kSpeedCode = 16; // 115200 bit/s
constexpr int kParityCode = 0;
constexpr int kDataBitsCode = 3; // 8 bits
constexpr int kStopBitsCode = 0; // one stop bit

// Closes the port before the port library's own state goes away at unload. Built at the first
// openPort, which is after the whole library has been set up, so it is torn down before any of
// it; the monitor thread is joined by the close.
struct PortCloser
{
    ~PortCloser() { PCommLite::instance().closePort(); }
};

void closePortAtUnload()
{
    static PortCloser closer;
    (void)closer;
}

} // namespace

int probePorts(CScrivloControllerCtrl &controller)
{
    PCommLite &port = PCommLite::instance();
    RequestStatus &status = controller.state().status;
    port.closePort();

    // 256 entries of 512-byte descriptions: too large for a caller's stack.
    auto table = std::make_unique<PortTable>();
    enumerateComPorts(*table);
    controller.m_presentPorts = presentPortNumbers(*table);

    for (const std::uint8_t number : controller.m_presentPorts) {
        controller.m_speedCode = kSpeedCode;
        controller.m_portNumber = number;
        controller.m_parityCode = kParityCode;
        controller.m_dataBitsCode = kDataBitsCode;
        controller.m_stopBitsCode = kStopBitsCode;
        if (!port.configurePort(&controller, number, kSpeedCode, kParityCode, kDataBitsCode,
                                kStopBitsCode))
            continue;
        if (!port.openAndMonitor())
            continue;
        status.set(Request::Probe, kStatusPending);
        port.write(CommandFrame(protocol::kTargetReceiver, protocol::kProbe, {0}));
        if (waitForStatus(status.word(Request::Probe), kRequestWait, controller.waitClock()) ==
            kStatusAnswered)
            return PenOk;
        port.closePort();
    }
    status.set(Request::Probe, kStatusRefused);
    return PenFailed;
}

namespace requests {

int openPort()
{
    // Inside a callback no probe could be answered: every port would be given up, the open
    // one included.
    CScrivloControllerCtrl &controller = CScrivloControllerCtrl::instance();
    if (controller.onWorkerThread())
        return PenFailed;
    std::lock_guard<std::mutex> lock(controller.m_openPortMutex);
    closePortAtUnload();
    return probePorts(controller);
}

} // namespace requests
} // namespace scrivlo
