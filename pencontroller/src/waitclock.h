#pragma once

#include <chrono>

namespace scrivlo {

// The time in which the requests' waits are measured and spent. The library runs on the steady
// clock; the controller takes another in its place, so that a test whose receiver answers at once
// need not spend the waits in real time.
class WaitClock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~WaitClock() = default;
    virtual TimePoint now() = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};

// std::chrono::steady_clock and std::this_thread::sleep_for.
WaitClock &steadyWaitClock();

} // namespace scrivlo
