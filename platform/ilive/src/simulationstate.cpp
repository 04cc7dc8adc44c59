#include "simulationstate.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace ilivesim {

State &state()
{
    static State *s = [] {
        auto *fresh = new State;
        setDefaults(*fresh);
        return fresh;
    }();
    return *s;
}

std::atomic<long> &heapBlockCount()
{
    static std::atomic<long> count{0};
    return count;
}

void setDefaults(State &s)
{
    const std::uint64_t epoch = s.epoch + 1;
    s = State();
    s.epoch = epoch;
    s.cameras = {{"camera-0", "Simulated Camera"}};
    s.microphones = {{"microphone-0", "Simulated Microphone"}};
}

void record(const std::string &call)
{
    State &s = state();
    s.calls.push_back(call);
    if (s.observer)
        s.observer(call);
}

void deliver(std::function<void()> answer)
{
    State &s = state();
    ++s.pending;
    if (s.delivery == Delivery::Held || !QCoreApplication::instance()) {
        s.held.push_back(std::move(answer));
        return;
    }
    const std::uint64_t epoch = s.epoch;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [epoch, answer = std::move(answer)] {
            State &now = state();
            if (now.epoch != epoch)
                return;
            --now.pending;
            answer();
        },
        Qt::QueuedConnection);
}

Outcome outcomeOf(Request request)
{
    const State &s = state();
    switch (request) {
    case Request::Login:
        if (!s.initialised)
            return {false, 1001, "sdk not initialised"};
        break;
    case Request::Logout:
    case Request::CreateRoom:
        if (!s.loggedIn)
            return {false, 1002, "not logged in"};
        break;
    case Request::QuitRoom:
    case Request::StartPushStream:
    case Request::StopPushStream:
    case Request::StartRecordVideo:
    case Request::StopRecordVideo:
        if (!s.inRoom)
            return {false, 1003, "not in a room"};
        break;
    }
    return s.outcomes[static_cast<int>(request)];
}

} // namespace ilivesim
