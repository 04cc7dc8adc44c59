// A pen library that answers as the test wants and remembers which entry points were called.
// Its events come from a thread of its own, as the real library's do from its worker.
#include "ScrivloController.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::mutex mutex;
std::string calls;
int openPortResult = PenOk;
int connectDeviceResult = PenOk;
CallBackForRealTimePenDatas pointCallback = nullptr;
CallBackForConnectDeviceSuccess connectCallback = nullptr;
bool inCallback = false;

void record(const std::string &name)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!calls.empty())
        calls += ' ';
    calls += name;
}

} // namespace

extern "C" {

SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForRealTimePenDatas(CallBackForRealTimePenDatas cb)
{
    record("SetCallBackForRealTimePenDatas");
    pointCallback = cb;
}

SCRIVLO_EXPORT void SCRIVLO_CALL
SetCallBackForConnectDeviceSuccess(CallBackForConnectDeviceSuccess cb)
{
    record("SetCallBackForConnectDeviceSuccess");
    connectCallback = cb;
}

SCRIVLO_EXPORT int SCRIVLO_CALL openPort(void)
{
    record("openPort");
    return openPortResult;
}

SCRIVLO_EXPORT int SCRIVLO_CALL connectDevice(void)
{
    record("connectDevice");
    return connectDeviceResult;
}

#ifndef FAKE_PEN_WITHOUT_SWITCH
SCRIVLO_EXPORT int SCRIVLO_CALL switchToRealTimeMode(void)
{
    // Inside a callback the real library could only time out.
    record(inCallback ? "switchToRealTimeMode inside the callback" : "switchToRealTimeMode");
    return PenOk;
}
#endif

SCRIVLO_EXPORT int SCRIVLO_CALL disconnectDevice(char *, char *)
{
    record("disconnectDevice");
    return PenOk;
}

SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceName(char *)
{
    record("getDeviceName");
    return PenOk;
}

SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceSN(char *)
{
    record("getDeviceSN");
    return PenOk;
}

// Controls for the test.
SCRIVLO_EXPORT void fakePenSetResults(int openPort, int connectDevice)
{
    openPortResult = openPort;
    connectDeviceResult = connectDevice;
}

// The calls so far, separated by blanks, copied into out (of size bytes).
SCRIVLO_EXPORT void fakePenCalls(char *out, int size)
{
    std::lock_guard<std::mutex> lock(mutex);
    calls.copy(out, static_cast<std::size_t>(size) - 1);
    out[std::min(calls.size(), static_cast<std::size_t>(size) - 1)] = '\0';
}

// Delivers count points (x, y, pressure each) on another thread and returns once it is done.
SCRIVLO_EXPORT void fakePenSendPoints(const int *points, int count)
{
    std::thread worker([points, count] {
        for (int i = 0; i < count; ++i)
            if (pointCallback)
                pointCallback(points[3 * i], points[3 * i + 1], points[3 * i + 2]);
    });
    worker.join();
}

SCRIVLO_EXPORT void fakePenReportConnection()
{
    std::thread worker([] {
        inCallback = true;
        if (connectCallback)
            connectCallback("0A-1B-2C-3D-4E-5F", "PenBLE");
        inCallback = false;
    });
    worker.join();
}
}
