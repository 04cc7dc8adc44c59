#include "crashhandler.h"

#include <gtest/gtest.h>

#include <csignal>
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

} // namespace
