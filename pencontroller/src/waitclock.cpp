#include "waitclock.h"

#include <thread>

namespace scrivlo {
namespace {

class SteadyWaitClock : public WaitClock
{
public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    void sleepFor(std::chrono::milliseconds duration) override
    {
        std::this_thread::sleep_for(duration);
    }
};

} // namespace

WaitClock &steadyWaitClock()
{
    static SteadyWaitClock clock;
    return clock;
}

} // namespace scrivlo
