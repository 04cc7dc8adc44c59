#include "localclock.h"

#include <ctime>

namespace crash {

namespace {

std::int64_t offsetAt(std::int64_t utc)
{
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return local.tm_gmtoff;
}

} // namespace

ClockPlan planLocalClock(std::int64_t utcNow)
{
    tzset();
    ClockPlan plan;
    plan.offsetNow = offsetAt(utcNow);
    plan.offsetAfter = plan.offsetNow;
    // Zones change their offset at most a few times a year and never twice within hours, so a
    // half-day step finds the next change; halving then pins it to the second.
    constexpr std::int64_t kStep = 12 * 3600;
    constexpr std::int64_t kHorizon = 400 * 24 * 3600;
    for (std::int64_t before = utcNow; before < utcNow + kHorizon; before += kStep) {
        const std::int64_t after = before + kStep;
        if (offsetAt(after) == plan.offsetNow)
            continue;
        std::int64_t low = before; // same offset as now
        std::int64_t high = after; // changed
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            if (offsetAt(middle) == plan.offsetNow)
                low = middle;
            else
                high = middle;
        }
        plan.changeAt = high;
        plan.offsetAfter = offsetAt(high);
        break;
    }
    return plan;
}

LocalTime localTimeAt(std::int64_t utcSeconds, const ClockPlan &plan)
{
    const std::int64_t offset = utcSeconds >= plan.changeAt ? plan.offsetAfter : plan.offsetNow;
    return calendarTime(utcSeconds + offset);
}

LocalTime calendarTime(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days to civil date in the proleptic Gregorian calendar, counted in 400-year eras that
    // start on 1 March so that the leap day comes last.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    LocalTime time{};
    time.year = static_cast<int>(year);
    time.month = static_cast<int>(month);
    time.day = static_cast<int>(day);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest % 3600 / 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

} // namespace crash
