#include <ownpath.h>
#include <restartmode.h>

#include <gtest/gtest.h>

using updater::OwnPathCheck;
using updater::RestartMode;
using Strings = std::vector<std::string>;

namespace {

struct PlanCase
{
    const char *label;
    Strings arguments;
    RestartMode mode;
    Strings toTerminate;
    bool update;
    std::string prefix;
    std::string program;
    std::string parameters;
    bool openLogAgain;
};

TEST(RestartPlan, ModesOptionsAndParameters)
{
    const PlanCase cases[] = {
        {"classroom link in capitals",
         {"DAVADAZEDA://start/?classurl=x"},
         RestartMode::Classroom,
         {"Aulark"},
         true,
         "",
         "Aulark",
         "DAVADAZEDA://start/?classurl=x",
         false},
        {"classroom, two arguments joined by one blank",
         {"davadazeda://start/?a=1", "b"},
         RestartMode::Classroom,
         {"Aulark"},
         true,
         "",
         "Aulark",
         "davadazeda://start/?a=1 b",
         false},
        {"client link: U+0002 and updater follow directly",
         {"quorvel://open", "x"},
         RestartMode::ClientUrl,
         {"QuorvelClient"},
         true,
         "",
         "QuorvelClient",
         "quorvel://open x\x02updater",
         false},
        {"client link prefix needs the colon after the word",
         {"quorvelx://open"},
         RestartMode::Option,
         {},
         false,
         "t",
         "Quorvel",
         "-noupdate",
         false},
        {"pen program, asterisks are plain characters, any case",
         {"*inkBAY*start"},
         RestartMode::PenProgram,
         {"InkbayProtector", "Inkbay"},
         true,
         "i",
         "Inkbay",
         "",
         false},
        {"an argument that is no link selects the options",
         {"something"},
         RestartMode::Option,
         {},
         false,
         "t",
         "Quorvel",
         "-noupdate",
         false},
        {"options in their order, compared whole in any case",
         {"-DEBUG", "-autostart", "-update"},
         RestartMode::Option,
         {},
         true,
         "t",
         "Quorvel",
         "-noupdate -debug -autostart",
         true},
        {"an option given twice is appended twice; near misses are ignored",
         {"-autostart", "-Autostart", "-updatex", "-debug2"},
         RestartMode::Option,
         {},
         false,
         "t",
         "Quorvel",
         "-noupdate -autostart -autostart",
         false},
        {"no argument at all",
         {},
         RestartMode::ClientUrl,
         {},
         false,
         "",
         "QuorvelClient",
         "\x02updater",
         false},
    };
    for (const PlanCase &c : cases) {
        SCOPED_TRACE(c.label);
        const updater::RunPlan plan = updater::planRun(c.arguments);
        EXPECT_EQ(plan.mode, c.mode);
        EXPECT_EQ(plan.toTerminate, c.toTerminate);
        EXPECT_EQ(plan.update, c.update);
        EXPECT_EQ(plan.folderPrefix, c.prefix);
        EXPECT_EQ(plan.program, c.program);
        EXPECT_EQ(plan.parameters, c.parameters);
        EXPECT_EQ(plan.openLogAgain, c.openLogAgain);
    }
}

TEST(RestartPlan, ParameterTextBecomesTheStartedProgramsArguments)
{
    const std::pair<std::string, Strings> cases[] = {
        {"", {}},
        {"davadazeda://start/?classurl=x", {"davadazeda://start/?classurl=x"}},
        {"davadazeda://a b", {"davadazeda://a", "b"}}, // a blank inside an argument splits it
        {"-noupdate -debug -autostart", {"-noupdate", "-debug", "-autostart"}},
        {"quorvel://x\x02updater", {"quorvel://x\x02updater"}},
        {"  a \t b  ", {"a", "b"}},
    };
    for (const auto &[text, arguments] : cases)
        EXPECT_EQ(updater::splitParameters(text), arguments) << text;
}

TEST(OwnPath, NeedsTheFileNameAfterASeparator)
{
    const struct
    {
        std::string path;
        OwnPathCheck check;
        std::string exeDir;
    } cases[] = {
        {"/opt/x/Updater", OwnPathCheck::Ok, "/opt/x/"},
        {"/opt/x/updater", OwnPathCheck::Ok, "/opt/x/"},
        {"./UPDATER", OwnPathCheck::Ok, "./"},
        {"/Updater", OwnPathCheck::Ok, "/"},
        {"Updater", OwnPathCheck::TooShort, ""},
        {"pdater", OwnPathCheck::TooShort, ""},
        {"/opt/p/MyUpdater", OwnPathCheck::BadName, ""},
        {"/opt/p/Updater2", OwnPathCheck::BadName, ""},
        {"/opt/Updater/Aulark", OwnPathCheck::BadName, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const updater::OwnPathResult result = updater::checkOwnPath(c.path);
        EXPECT_EQ(result.check, c.check);
        EXPECT_EQ(result.exeDir, c.exeDir);
    }
}

} // namespace
