#pragma once

#include "ScrivloController.h"

#include <atomic>

namespace scrivlo {

// One installed callback. Setters run on callers' threads while the worker calls, so the pointer
// is an atomic; a null pointer counts as not installed.
template <typename Function> class CallbackSlot
{
public:
    void install(Function function) { m_function.store(function); }
    Function get() const { return m_function.load(); }

private:
    std::atomic<Function> m_function{nullptr};
};

struct CallbackSlots
{
    CallbackSlot<CallBackForRealTimePenDatas> realTime;
    CallbackSlot<CallBackForConnectDeviceSuccess> connect;
    CallbackSlot<CallBackForSearchDevice> search;
    CallbackSlot<CallBackForButton> button;
    CallbackSlot<CallBackForUploadFileStatus> uploadStatus;
    CallbackSlot<CallBackForUploadFilePenData> uploadPenData;
    CallbackSlot<CallBackForUploadFilePenDataWithPercentage> uploadPenDataWithPercentage;
};

} // namespace scrivlo
