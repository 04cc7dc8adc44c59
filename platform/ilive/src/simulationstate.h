#pragma once

#include "ilive/ilive.h"
#include "ilive/ilivesimulation.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ilivesim {

// The simulated SDK's whole state. It is touched only on the thread of the event loop, like the
// SDK's requests; the heap counter alone is shared with any thread.
struct State
{
    int initResult = 0;
    int probeSupport = 1;
    std::string version = "1.0.0-simulated";
    Outcome outcomes[8];
    std::vector<Device> cameras;
    std::vector<Device> microphones;
    bool applicationWindows = true;
    std::vector<Window> windows;
    std::vector<std::string> pushUrls;
    bool pushUrlsScripted = false;
    std::uint64_t channelId = 1;
    std::string lastRecordFile;
    std::vector<std::string> stopRecordTexts;
    bool stopRecordTextsScripted = false;
    Delivery delivery = Delivery::Queued;

    bool initialised = false;
    bool loggedIn = false;
    bool inRoom = false;
    RoomOptionSeen roomOption;
    SdkRoomDisconnectCallback onDisconnect = nullptr;
    SdkRoomEventCallback onRoomEvent = nullptr;
    void *roomContext = nullptr;
    SdkValueCallback noopA = nullptr;
    void *noopAContext = nullptr;
    SdkNotifyCallback noopB = nullptr;
    void *noopBContext = nullptr;
    SdkDeviceOperationCallback deviceOperation = nullptr;
    void *deviceOperationContext = nullptr;

    std::vector<std::string> calls;
    std::function<void(const std::string &)> observer;
    // Answers made under an earlier epoch were dropped by reset().
    std::uint64_t epoch = 0;
    int pending = 0;
    std::deque<std::function<void()>> held;
    int rootViewsAlive = 0;
};

State &state();
std::atomic<long> &heapBlockCount();

// Records one call of the program's.
void record(const std::string &call);
// Hands an answer to the program later, as the delivery mode says.
void deliver(std::function<void()> answer);
// The outcome scripted for a request, or the error the SDK's state gives.
Outcome outcomeOf(Request request);
// Applies the script of the environment variable ILIVE_SIMULATION, the first time only.
void applyEnvironmentOnce();
// Puts the defaults back without touching the heap counter.
void setDefaults(State &s);

} // namespace ilivesim
