// Loading and unloading the library: its names, its threads, and that nothing outside it can
// take over its internal calls.
#include "testbed.h"
#include "testisolation.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::size_t threadCount()
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto &entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

bool libraryMapped()
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libScrivloController.so") != std::string::npos)
            return true;
    return false;
}

bool g_interposerCalled = false;

} // namespace

// The program's own symbol of an export's name; the library must keep calling its own.
extern "C" __attribute__((visibility("default"))) int getDeviceFirmwareVersion(char *, char *)
{
    g_interposerCalled = true;
    return 0;
}

namespace {

TEST(Library, DlopenFindsEveryExport)
{
    PenLibrary lib;
    ASSERT_TRUE(lib.loaded()) << ::dlerror();
    EXPECT_TRUE(lib.missing().empty());
    EXPECT_EQ(PenLibrary::exportNames().size(), 47u);
}

TEST(Library, InternalCallsDoNotGoThroughTheExports)
{
    TestBed bed;
    PenLibrary &lib = bed.library();
    ASSERT_EQ(lib.openPort(), PenOk);
    int longSide = 0, shortSide = 0;
    EXPECT_EQ(lib.getDeviceRatio(&longSide, &shortSide), PenOk);
    EXPECT_FALSE(g_interposerCalled);
    EXPECT_EQ(longSide, 21000);
    EXPECT_EQ(shortSide, 14800);
}

class Unload : public ::testing::TestWithParam<bool>
{
};

TEST_P(Unload, EndsEveryThreadOfTheLibraryAndUnmapsIt)
{
    const bool withPort = GetParam();
    TestBed bed;
    bed.unload();
    const std::size_t before = threadCount();
    {
        PenLibrary lib;
        ASSERT_TRUE(lib.loaded());
        EXPECT_GT(threadCount(), before); // the worker
        if (withPort) {
            ASSERT_EQ(lib.openPort(), PenOk);
            // Traffic in flight while the library goes away.
            bed.simulator().send(pensim::realTimeStream({{1, 2, 3}, {4, 5, 6}}));
        }
        EXPECT_TRUE(lib.close());
    }
    EXPECT_EQ(threadCount(), before);
    EXPECT_FALSE(libraryMapped());
    if (withPort) {
        // The port was released: another program can take it.
        const int fd = ::open(bed.simulator().slavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
    }
}

INSTANTIATE_TEST_SUITE_P(Library, Unload, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "WithPortOpen" : "WithoutPort";
                         });

void SCRIVLO_CALL exitFromCallback(int, int, int)
{
    std::exit(7);
}

// A caller may end the process from inside a callback: exit() then runs the library's teardown
// on the library's own worker thread, and the process must still end with the caller's status.
TEST(LibraryDeathTest, ExitInsideACallbackEndsWithTheCallersStatus)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Inside the isolation root, which exit() removes: the bed's own teardown never runs.
            testsupport::setEnv("TMPDIR", testsupport::isolationRoot().string());
            TestBed bed;
            PenLibrary &lib = bed.library();
            lib.SetCallBackForRealTimePenDatas(&exitFromCallback);
            if (lib.openPort() == PenOk)
                bed.simulator().send(pensim::realTimeFrame({{1, 2, 3}}));
            std::this_thread::sleep_for(10s);
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(7), "");
}

} // namespace
