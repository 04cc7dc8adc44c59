#include "pen/penlibrary.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

TEST(PenLibraryNames, DecoratedNamesMapToTheLibrarysPlainNames)
{
    const struct
    {
        const char *decorated;
        const char *plain;
    } cases[] = {
        {"_openPort@0", "openPort"},
        {"_SetCallBackForRealTimePenDatas@4", "SetCallBackForRealTimePenDatas"},
        {"_disconnectDevice@8", "disconnectDevice"},
        {"_a@12", "a"},
        // Not decorated: taken as it is.
        {"openPort", "openPort"},
        {"_openPort", "_openPort"},
        {"openPort@0", "openPort@0"},
        {"_open@Port", "_open@Port"},
        {"_@0", "_@0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(plainExportName(c.decorated), QByteArray(c.plain)) << c.decorated;
}

// The table as the built library sees it: every entry point is found under its plain name.
TEST(PenLibraryNames, TheBuiltLibraryHasEveryBoundEntryPoint)
{
    void *library = openPenLibrary(QString::fromStdString(testsupport::buildProgramDir().string()) +
                                   QLatin1Char('/'));
    ASSERT_NE(library, nullptr);
    for (const char *name : penExportNames)
        EXPECT_NE(::dlsym(library, plainExportName(name).constData()), nullptr) << name;
    const PenEntryPoints bound = bindPenEntryPoints(library);
    EXPECT_TRUE(bound.usable());
    EXPECT_NE(bound.disconnectDevice, nullptr);
    EXPECT_NE(bound.getDeviceName, nullptr);
    EXPECT_NE(bound.getDeviceSN, nullptr);
    closePenLibrary(library);
}

} // namespace
