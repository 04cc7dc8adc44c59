#pragma once

#include "waitclock.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace scrivlo {

// One status word per kind of request. Two callers of the same request share its word.
enum class Request : int
{
    Probe,
    HardwareReset,
    FactoryReset,
    GetDGBleInfo,
    GetDGVersion,
    SetDGBleName,
    ConnectDevice,
    GetDeviceBleInfo,
    DisconnectDevice,
    ConnectDeviceByMac,
    SearchDevice,
    SwitchToRealTimeMode,
    SwitchToUploadMode,
    DeleteUploadFile,
    QueryFileCount,
    TransferOldestFile,
    TransferNewestFile,
    GetDeviceDateTime,
    SetDeviceDateTime,
    GetDeviceName,
    SetDeviceName,
    GetDeviceFirmwareVersion,
    GetDeviceBatteryState,
    OpenFileEncryption,
    CloseFileEncryption,
    QueryFileEncryptionStatus,
    VerifyFileEncryption,
    GetDeviceSN,
    SetDeviceSN,
    ScanBinaryCode,
    Count
};

constexpr std::int32_t kStatusPending = -2;
constexpr std::int32_t kStatusAnswered = 0;
constexpr std::int32_t kStatusRefused = -1;
constexpr std::int32_t kStatusKeyRejected = -5;

// Written by the reply parser on the worker thread and by requests on callers' threads, so each
// word is an atomic.
class RequestStatus
{
public:
    RequestStatus();

    std::int32_t get(Request request) const { return word(request).load(); }
    void set(Request request, std::int32_t value) { word(request).store(value); }
    // Only a request still waiting takes the value; an answer already given stays.
    bool setIfPending(Request request, std::int32_t value);

    std::atomic<std::int32_t> &word(Request request)
    {
        return m_words[static_cast<std::size_t>(request)];
    }
    const std::atomic<std::int32_t> &word(Request request) const
    {
        return m_words[static_cast<std::size_t>(request)];
    }

private:
    std::array<std::atomic<std::int32_t>, static_cast<std::size_t>(Request::Count)> m_words;
};

constexpr std::chrono::milliseconds kMinimumWait{100};
constexpr std::chrono::milliseconds kRequestWait{1000};
constexpr std::chrono::milliseconds kScanWait{5000};

constexpr std::chrono::milliseconds kPollInterval{1};

// Polls the word every millisecond; ends once it is no longer pending and more than 100 ms have
// passed, or when `limit` has passed, both on `clock`. Returns the word as it stands then.
std::int32_t waitForStatus(const std::atomic<std::int32_t> &word, std::chrono::milliseconds limit,
                           WaitClock &clock);

} // namespace scrivlo
