#include "startup/applicationarguments.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ApplicationArguments, CopiesTheCommandLineAndAppendsTheSwitch)
{
    std::string program = "Aulark", link = "davadazeda://start/?classurl=a=1";
    char *argv[] = {program.data(), link.data(), nullptr};
    ApplicationArguments arguments(2, argv, "--extra=1");
    program.assign("changed");

    ASSERT_EQ(arguments.count(), 3);
    EXPECT_STREQ(arguments.values()[0], "Aulark");
    EXPECT_STREQ(arguments.values()[1], "davadazeda://start/?classurl=a=1");
    EXPECT_STREQ(arguments.values()[2], "--extra=1");
    EXPECT_EQ(arguments.values()[3], nullptr);
}

TEST(ApplicationArguments, OutlivesAnApplicationThatTookItsOwnOptionsOut)
{
    std::string program = "Aulark", platform = "-platform", offscreen = "offscreen",
                link = "davadazeda://start/?classurl=a=1";
    char *argv[] = {program.data(), platform.data(), offscreen.data(), link.data(), nullptr};
    ApplicationArguments arguments(4, argv, "--extra=1");
    {
        QGuiApplication app(arguments.count(), arguments.values());
        // The application took "-platform offscreen" out of the shared count and array.
        EXPECT_EQ(arguments.count(), 3);
        EXPECT_EQ(QCoreApplication::arguments(),
                  QStringList({"Aulark", "davadazeda://start/?classurl=a=1", "--extra=1"}));
    }
    // The owner frees its copies after the application is gone; the rearranged array must not
    // lead it to free anything twice (glibc aborts on that).
}

} // namespace
