#include "requeststatus.h"

#include <thread>

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

std::int32_t waitForStatus(const std::atomic<std::int32_t> &word, std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const Clock::duration elapsed = Clock::now() - start;
        if (word.load() != kStatusPending && elapsed > kMinimumWait)
            break;
        if (elapsed >= limit)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return word.load();
}

} // namespace scrivlo
