#include "requeststatus.h"

namespace scrivlo {

RequestStatus::RequestStatus()
{
    for (auto &w : m_words)
        w.store(kStatusPending);
}

bool RequestStatus::setIfPending(Request request, std::int32_t value)
{
    std::int32_t expected = kStatusPending;
    return word(request).compare_exchange_strong(expected, value);
}

std::int32_t waitForStatus(const std::atomic<std::int32_t> &word, std::chrono::milliseconds limit,
                           WaitClock &clock)
{
    const WaitClock::TimePoint start = clock.now();
    for (;;) {
        const auto elapsed = clock.now() - start;
        if (word.load() != kStatusPending && elapsed > kMinimumWait)
            break;
        if (elapsed >= limit)
            break;
        clock.sleepFor(kPollInterval);
    }
    return word.load();
}

} // namespace scrivlo
