#include "settledlineclock.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

SettledLineClock::TimePoint SettledLineClock::now()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_start + m_passed;
}

void SettledLineClock::sleepFor(std::chrono::milliseconds duration)
{
    // Real time, only for a library that never takes its bytes in.
    if (!m_port.waitUntilTakenIn(10s))
        ADD_FAILURE() << "the library did not read the receiver's answer";
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shortest = m_sleeps == 0 ? duration : std::min(m_shortest, duration);
    m_longest = std::max(m_longest, duration);
    ++m_sleeps;
    m_passed += duration;
}

std::chrono::milliseconds SettledLineClock::shortestSleep() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shortest;
}

std::chrono::milliseconds SettledLineClock::longestSleep() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_longest;
}
