#include "systemfacts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

TEST(SystemFacts, DescribeThisMachine)
{
    const crash::SystemFacts facts = crash::collectSystemFacts();
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_STREQ(facts.systemName, "Linux");
    EXPECT_STREQ(facts.release, names.release);
    EXPECT_STREQ(facts.machine, names.machine);
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build);
    EXPECT_EQ(facts.majorVersion, major);
    EXPECT_EQ(facts.minorVersion, minor);
    EXPECT_EQ(facts.buildNumber, build);
    EXPECT_EQ(facts.processorCount, static_cast<std::uint32_t>(sysconf(_SC_NPROCESSORS_ONLN)));
    EXPECT_TRUE(facts.x86);
    EXPECT_GE(facts.processorLevel, 6u);
}

} // namespace
