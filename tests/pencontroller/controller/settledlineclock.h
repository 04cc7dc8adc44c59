#pragma once

#include "scriptedport.h"
#include "waitclock.h"

#include <chrono>
#include <mutex>

// Time for the library's waits that passes only while a request sleeps, and only after the
// scripted receiver's answers have been taken in: each wait ends as it would against a receiver
// that answers at once, after exactly the protocol's times, however slowly the machine runs.
class SettledLineClock : public scrivlo::WaitClock
{
public:
    explicit SettledLineClock(const ScriptedPort &port) : m_port(port) {}

    TimePoint now() override;
    void sleepFor(std::chrono::milliseconds duration) override;

    // The shortest and longest single sleep so far (zero before the first).
    std::chrono::milliseconds shortestSleep() const;
    std::chrono::milliseconds longestSleep() const;

private:
    const ScriptedPort &m_port;
    const TimePoint m_start = std::chrono::steady_clock::now();
    mutable std::mutex m_mutex;
    std::chrono::milliseconds m_passed{0};
    long m_sleeps = 0;
    std::chrono::milliseconds m_shortest{0};
    std::chrono::milliseconds m_longest{0};
};
