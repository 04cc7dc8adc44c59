#include "simulationstate.h"

namespace ilivesim {
namespace {

// Delivers an event to what the program registered, if it registered anything.
template <typename Callback, typename... Args>
void raise(Callback callback, void *context, Args... args)
{
    if (!callback)
        return;
    deliver([callback, context, args...] { callback(args..., context); });
}

} // namespace

void reset()
{
    applyEnvironmentOnce();
    setDefaults(state());
}

void setInitResult(int result)
{
    state().initResult = result;
}

void setOutcome(Request request, const Outcome &outcome)
{
    state().outcomes[static_cast<int>(request)] = outcome;
}

void setProbeSupport(int result)
{
    state().probeSupport = result;
}

void setVersion(const std::string &version)
{
    state().version = version;
}

void setCameras(const std::vector<Device> &cameras)
{
    state().cameras = cameras;
}

void setMics(const std::vector<Device> &microphones)
{
    state().microphones = microphones;
}

void setWindows(const std::vector<Window> &windows)
{
    state().windows = windows;
    state().applicationWindows = false;
}

void useApplicationWindows()
{
    state().windows.clear();
    state().applicationWindows = true;
}

void setPushResult(const std::vector<std::string> &urls, std::uint64_t channelId)
{
    state().pushUrls = urls;
    state().pushUrlsScripted = true;
    state().channelId = channelId;
}

void setStopRecordTexts(const std::vector<std::string> &texts)
{
    state().stopRecordTexts = texts;
    state().stopRecordTextsScripted = true;
}

void setDelivery(Delivery delivery)
{
    state().delivery = delivery;
}

int pendingAnswers()
{
    return state().pending;
}

void deliverHeld()
{
    State &s = state();
    const std::uint64_t epoch = s.epoch;
    // An answer may make new requests; those wait for the next round.
    std::deque<std::function<void()>> answers;
    answers.swap(s.held);
    for (auto &answer : answers) {
        if (state().epoch != epoch)
            return;
        --state().pending;
        answer();
    }
}

std::vector<std::string> calls()
{
    return state().calls;
}

void clearCalls()
{
    state().calls.clear();
}

void setCallObserver(std::function<void(const std::string &)> observer)
{
    state().observer = std::move(observer);
}

RoomOptionSeen lastRoomOption()
{
    return state().roomOption;
}

bool loggedIn()
{
    return state().loggedIn;
}

bool inRoom()
{
    return state().inRoom;
}

void raiseRoomDisconnect(int reason, const std::string &info)
{
    const State &s = state();
    if (!s.onDisconnect)
        return;
    const SdkRoomDisconnectCallback callback = s.onDisconnect;
    void *context = s.roomContext;
    deliver([callback, context, reason, info] { callback(reason, info.c_str(), context); });
}

void raiseRoomEvent(int event, const std::vector<std::string> &ids)
{
    const State &s = state();
    if (!s.onRoomEvent)
        return;
    const SdkRoomEventCallback callback = s.onRoomEvent;
    void *context = s.roomContext;
    deliver([callback, context, event, ids] {
        SdkList<SdkString> list;
        for (const std::string &id : ids)
            list.append(SdkString(id.c_str()));
        callback(event, list, context);
    });
}

void raiseDeviceOperation(int operation, int result)
{
    raise(state().deviceOperation, state().deviceOperationContext, operation, result);
}

void raiseNoopA(int value)
{
    raise(state().noopA, state().noopAContext, value);
}

void raiseNoopB()
{
    raise(state().noopB, state().noopBContext);
}

long heapBlocks()
{
    return heapBlockCount().load();
}

int rootViewsAlive()
{
    return state().rootViewsAlive;
}

} // namespace ilivesim
