#include "dumpname.h"
#include "localclock.h"
#include "scopedtimezone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

const crash::DumpNameFields kFields{"Updater", "0.1.0", {2026, 3, 7, 4, 5, 9}, 4242, 4250};

TEST(DumpName, FillsEveryFieldWithZeroPaddedDateAndTime)
{
    const struct
    {
        const char *pattern;
        const char *expected;
    } cases[] = {
        {"{name}-{version}-{date}-{time}-{pid}-{tid}.dmp",
         "Updater-0.1.0-20260307-040509-4242-4250.dmp"},
        {"{name}-{version}-{date}-{time}.rpt.dmp", "Updater-0.1.0-20260307-040509.rpt.dmp"},
        {"plain.dmp", "plain.dmp"},
    };
    for (const auto &c : cases) {
        char name[256];
        ASSERT_TRUE(crash::formatDumpName(name, sizeof name, c.pattern, kFields)) << c.pattern;
        EXPECT_EQ(std::string(name), c.expected);
    }
}

TEST(DumpName, RefusesPatternsThatLeaveTheFolderOrNameUnknownFields)
{
    for (const char *pattern : {"", ".", "..", "../{name}.dmp", "sub/{name}.dmp", "{program}.dmp",
                                "{name.dmp", "name}.dmp"}) {
        EXPECT_FALSE(crash::isValidDumpNamePattern(pattern)) << pattern;
        char name[64];
        EXPECT_FALSE(crash::formatDumpName(name, sizeof name, pattern, kFields)) << pattern;
    }
}

TEST(DumpName, RefusesANameThatDoesNotFit)
{
    char name[20];
    EXPECT_FALSE(crash::formatDumpName(name, sizeof name, "{name}-{version}-{date}.dmp", kFields));
    char exact[12];
    EXPECT_TRUE(crash::formatDumpName(exact, sizeof exact, "{name}.dmp", kFields));
    EXPECT_STREQ(exact, "Updater.dmp");
}

TEST(LocalClock, TurnsSecondsIntoCalendarTime)
{
    const struct
    {
        std::int64_t seconds;
        crash::LocalTime time;
    } cases[] = {
        {0, {1970, 1, 1, 0, 0, 0}},          {-1, {1969, 12, 31, 23, 59, 59}},
        {951782400, {2000, 2, 29, 0, 0, 0}}, {1709251199, {2024, 2, 29, 23, 59, 59}},
        {4102444800, {2100, 1, 1, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        const crash::LocalTime t = crash::calendarTime(c.seconds);
        EXPECT_EQ((std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second)),
                  (std::tuple(c.time.year, c.time.month, c.time.day, c.time.hour, c.time.minute,
                              c.time.second)))
            << c.seconds;
    }
}

crash::LocalTime libraryLocalTime(std::int64_t utc)
{
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

void expectSame(const crash::LocalTime &a, const crash::LocalTime &b)
{
    EXPECT_EQ((std::tuple(a.year, a.month, a.day, a.hour, a.minute, a.second)),
              (std::tuple(b.year, b.month, b.day, b.hour, b.minute, b.second)));
}

// A program that runs across a daylight-saving change still names its dumps in local time.
TEST(LocalClock, FollowsTheNextOffsetChangeWorkedOutAhead)
{
    const testsupport::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const std::int64_t installed = 1774659600; // 2026-03-28 01:00 UTC, a day before the change
    const crash::ClockPlan plan = crash::planLocalClock(installed);
    EXPECT_EQ(plan.offsetNow, 3600);
    EXPECT_EQ(plan.changeAt, 1774746000); // 2026-03-29 01:00 UTC
    EXPECT_EQ(plan.offsetAfter, 7200);
    for (std::int64_t at : {installed, plan.changeAt - 1, plan.changeAt, plan.changeAt + 86400}) {
        SCOPED_TRACE(at);
        expectSame(crash::localTimeAt(at, plan), libraryLocalTime(at));
    }
}

TEST(LocalClock, KeepsAFixedOffsetWhenTheZoneNeverChanges)
{
    const testsupport::ScopedTimeZone zone("XST-5:30");
    const std::int64_t installed = 1781000000;
    const crash::ClockPlan plan = crash::planLocalClock(installed);
    EXPECT_EQ(plan.offsetNow, 5 * 3600 + 1800);
    EXPECT_EQ(plan.changeAt, INT64_MAX);
    expectSame(crash::localTimeAt(installed + 300 * 86400, plan),
               libraryLocalTime(installed + 300 * 86400));
}

} // namespace
