#pragma once

#include "crashhandler.h"

#include <cstdint>

namespace crash {

// The local time zone as far as a crash needs it, worked out while it is still safe to ask the C
// library: the offset from UTC now and the next change of it (daylight saving) within a year.
struct ClockPlan
{
    std::int64_t offsetNow = 0; // seconds east of UTC
    std::int64_t changeAt = INT64_MAX;
    std::int64_t offsetAfter = 0;
};

// Install time: asks the C library (reads TZ and the zone files).
ClockPlan planLocalClock(std::int64_t utcNow);

// Crash time: pure.
LocalTime localTimeAt(std::int64_t utcSeconds, const ClockPlan &plan);

// Pure: the calendar date and time of seconds since 1970-01-01 00:00 (no zone applied).
LocalTime calendarTime(std::int64_t seconds);

} // namespace crash
