#include "crashhandler.h"
#include "scopedtimezone.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Options that would send the dump outside its folder or overrun the handler's prepared
// buffers are refused before anything is installed.
TEST(CrashInstall, RefusesOptionsItCannotHonour)
{
    const auto valid = [] {
        crash::Options options;
        options.programName = "Updater";
        options.version = "0.1.0";
        options.dumpFolders = {"/tmp/tdumps"};
        return options;
    };
    const struct
    {
        const char *why;
        void (*change)(crash::Options &);
    } cases[] = {
        {"no folder", [](crash::Options &o) { o.dumpFolders.clear(); }},
        {"empty folder", [](crash::Options &o) { o.dumpFolders = {""}; }},
        {"too many folders", [](crash::Options &o) { o.dumpFolders.assign(9, "/tmp/d"); }},
        {"folder too long",
         [](crash::Options &o) { o.dumpFolders = {"/" + std::string(4000, 'a')}; }},
        {"name with a separator", [](crash::Options &o) { o.programName = "../Updater"; }},
        {"version with a separator", [](crash::Options &o) { o.version = "0.1/0"; }},
        {"name too long", [](crash::Options &o) { o.programName = std::string(300, 'n'); }},
        {"pattern with a separator", [](crash::Options &o) { o.fileNamePattern = "x/{name}.dmp"; }},
        {"unknown field", [](crash::Options &o) { o.fileNamePattern = "{program}.dmp"; }},
    };
    for (const auto &c : cases) {
        crash::Options options = valid();
        c.change(options);
        EXPECT_FALSE(crash::install(options)) << c.why;
    }
    struct sigaction current = {};
    sigaction(SIGSEGV, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    EXPECT_TRUE(crash::install(valid()));
    sigaction(SIGSEGV, nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_DFL);
}

// Crash callbacks turn file times into local time by the zone that install() prepared.
TEST(CrashInstall, LocalTimeOfFollowsTheZonePreparedAtInstall)
{
    const std::int64_t moment = 1700000000; // 2023-11-14 22:13:20 UTC
    crash::LocalTime before = crash::localTimeOf(moment);
    EXPECT_EQ(before.hour, 22);
    const testsupport::ScopedTimeZone zone("XST-5:30");
    crash::Options options;
    options.programName = "Updater";
    options.version = "0.1.0";
    options.dumpFolders = {"/tmp/tdumps"};
    ASSERT_TRUE(crash::install(options));
    const crash::LocalTime local = crash::localTimeOf(moment);
    EXPECT_EQ(local.year, 2023);
    EXPECT_EQ(local.month, 11);
    EXPECT_EQ(local.day, 15);
    EXPECT_EQ(local.hour, 3);
    EXPECT_EQ(local.minute, 43);
    EXPECT_EQ(local.second, 20);
}

} // namespace
