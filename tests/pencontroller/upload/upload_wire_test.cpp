// Stored-stroke uploads over the line: the built library loaded with dlopen, talking to the
// simulated receiver and pen on a pseudo-terminal.
#include "handwriting.h"
#include "storedfiles.h"
#include "strokedecoder.h"
#include "testbed.h"
#include "uploadbuffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using pensim::Bytes;
using pensim::StoredFiles;

namespace {

struct Status
{
    int bytes, percent, announced;
};
struct Delivered
{
    int x, y, pressure, percent;
    bool operator==(const Delivered &o) const
    {
        return x == o.x && y == o.y && pressure == o.pressure && percent == o.percent;
    }
};
void PrintTo(const Delivered &d, std::ostream *os)
{
    *os << "(" << d.x << ", " << d.y << ", " << d.pressure << ", " << d.percent << "%)";
}

std::mutex g_mutex;
std::vector<Status> g_status;
std::vector<Delivered> g_penData; // percent -1
std::vector<Delivered> g_withPercent;
std::vector<std::thread::id> g_threads;

void SCRIVLO_CALL onStatus(int bytes, int percent, int announced)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_status.push_back({bytes, percent, announced});
    g_threads.push_back(std::this_thread::get_id());
}
void SCRIVLO_CALL onPenData(int x, int y, int pressure)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_penData.push_back({x, y, pressure, -1});
    g_threads.push_back(std::this_thread::get_id());
}
void SCRIVLO_CALL onWithPercent(int x, int y, int pressure, int percent)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_withPercent.push_back({x, y, pressure, percent});
    g_threads.push_back(std::this_thread::get_id());
}

// For uploads of millions of points: each delivered point is checked as it comes.
const std::vector<pensim::Point> *g_expected = nullptr;
std::size_t g_checked = 0;
std::size_t g_wrong = 0;
std::size_t g_penDataCount = 0;

void SCRIVLO_CALL checkWithPercent(int x, int y, int pressure, int percent)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::size_t i = g_checked++;
    const std::size_t n = g_expected->size();
    if (i >= n || (*g_expected)[i].x != x || (*g_expected)[i].y != y ||
        (*g_expected)[i].pressure != pressure || percent != static_cast<int>((i + 1) * 100 / n))
        ++g_wrong;
}
void SCRIVLO_CALL countPenData(int, int, int)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_penDataCount;
}

template <typename T> std::vector<T> copyOf(const std::vector<T> &v)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return v;
}
std::size_t sizeOf(const std::vector<Delivered> &v)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return v.size();
}
int completions()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    int n = 0;
    for (const Status &s : g_status)
        n += s.percent == 100;
    return n;
}

bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Start (100, 200, 0); (101, 199, 3) ten times; then (100, 199, 3) ten times.
const Bytes kSmall = {0x64, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x02, 0x35, 0x80, 0, 0, 0, 0, 0,
                      0,    0,    0,    0,    0,    0x01, 0xC0, 0,    0,    0, 0, 0, 0, 0};

// Arbitrary bytes are a valid upload: every width byte starts a block.
Bytes randomUpload(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto &b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

std::vector<Delivered> expectedPoints(const Bytes &upload)
{
    scrivlo::UploadPoints points;
    if (scrivlo::decodeUpload(upload.data(), upload.size(), points) !=
        scrivlo::DecodeResult::Decoded)
        return {};
    std::vector<Delivered> out;
    const std::size_t n = points.count();
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(
            {points.x(i), points.y(i), points.pressure(i), static_cast<int>((i + 1) * 100 / n)});
    return out;
}

class UploadWire : public ::testing::Test
{
protected:
    UploadWire() { files.answerOn(bed.simulator()); }
    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_status.clear();
        g_penData.clear();
        g_withPercent.clear();
        g_threads.clear();
    }
    // An open port, the upload callbacks installed and the pen in upload mode.
    void start()
    {
        PenLibrary &lib = bed.library();
        lib.SetCallBackForUploadFileStatus(&onStatus);
        lib.SetCallBackForUploadFilePenData(&onPenData);
        lib.SetCallBackForUploadFilePenDataWithPercentage(&onWithPercent);
        ASSERT_EQ(lib.openPort(), PenOk);
        ASSERT_EQ(lib.switchToUploadMode(), PenOk);
        bed.simulator().clearRecords();
    }
    bool commandSent(const Bytes &frame)
    {
        for (const auto &c : bed.simulator().commands())
            if (c.bytes == frame)
                return true;
        return false;
    }

    // Declared before the bed, so destroyed after it: the simulator's thread answers through the
    // files until the bed has stopped it.
    StoredFiles files;
    TestBed bed;
};

TEST_F(UploadWire, OldestFileFromRequestToDeliveredPoints)
{
    files.setFiles({kSmall, randomUpload(300, 1)});
    PenLibrary &lib = bed.library();
    EXPECT_EQ(lib.GetUploadFile(), PenBadArgument); // nothing uploaded yet
    start();

    ASSERT_EQ(lib.transferOldestFile(), PenOk);
    int size = 0, second = 0;
    ASSERT_EQ(lib.getUploadFileInfo(&size, &second), PenOk);
    EXPECT_EQ(size, int(kSmall.size()));
    EXPECT_EQ(second, 7);
    ASSERT_TRUE(waitFor([] { return completions() == 1; }, 3000ms));
    const auto status = copyOf(g_status);
    EXPECT_EQ(status.back().bytes, int(kSmall.size()));
    EXPECT_EQ(status.back().announced, int(kSmall.size()));
    // The request, then the library's own acknowledgement of the announcement.
    EXPECT_EQ(frames(bed.simulator().commands()),
              (std::vector<Bytes>{commandFrame(2, 0x34, {0}), commandFrame(2, 0x33, {0})}));

    ASSERT_EQ(lib.GetUploadFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return sizeOf(g_withPercent) == 20; }, 3000ms));
    const auto withPercent = copyOf(g_withPercent);
    EXPECT_EQ(withPercent.front(), (Delivered{101, 199, 3, 5}));
    EXPECT_EQ(withPercent[9], (Delivered{101, 199, 3, 50}));
    EXPECT_EQ(withPercent.back(), (Delivered{100, 199, 3, 100}));
    EXPECT_EQ(sizeOf(g_penData), 20u);

    // Each call delivers every point again.
    ASSERT_EQ(lib.GetUploadFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return sizeOf(g_withPercent) == 40; }, 3000ms));
    EXPECT_EQ(sizeOf(g_penData), 40u);
    for (const auto &id : copyOf(g_threads))
        EXPECT_NE(id, std::this_thread::get_id());
}

// A large upload through every layer (reads, framing, collection, decoding, delivery) gives the
// points of its bytes exactly; the newest file is the last stored.
TEST_F(UploadWire, NewestLargeFileArrivesExactly)
{
    const Bytes big = randomUpload(300'000, 2);
    files.setFiles({kSmall, big});
    start();
    PenLibrary &lib = bed.library();
    ASSERT_EQ(lib.transferNewestFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return completions() == 1; }, 20'000ms));
    ASSERT_EQ(lib.GetUploadFile(), PenOk);
    const std::vector<Delivered> expected = expectedPoints(big);
    ASSERT_GT(expected.size(), 1000u);
    ASSERT_TRUE(waitFor([&] { return sizeOf(g_withPercent) == expected.size(); }, 20'000ms));
    EXPECT_TRUE(copyOf(g_withPercent) == expected);
    // The pen-data callback sees only the points inside the page.
    std::size_t inside = 0;
    for (const Delivered &d : expected)
        inside += d.x <= 21000 && d.y <= 29700 && d.pressure <= 2047;
    EXPECT_EQ(sizeOf(g_penData), inside);
}

// An upload of ordinary handwriting as large as the buffer takes, millions of points, arrives
// whole: the 100 % report, then every point in order.
TEST_F(UploadWire, BufferFullOfHandwritingArrivesWhole)
{
    const pensim::Handwriting writing = pensim::handwriting(scrivlo::UploadBuffer::kCapacity, 4);
    ASSERT_GT(writing.points.size(), 4'500'000u);
    files.setFiles({writing.upload});
    start();
    PenLibrary &lib = bed.library();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_expected = &writing.points;
        g_checked = g_wrong = g_penDataCount = 0;
    }
    lib.SetCallBackForUploadFilePenData(&countPenData);
    lib.SetCallBackForUploadFilePenDataWithPercentage(&checkWithPercent);
    ASSERT_EQ(lib.transferOldestFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return completions() == 1; }, 120'000ms));
    long reported = 0;
    for (const Status &s : copyOf(g_status))
        reported += s.bytes;
    EXPECT_EQ(reported, long(writing.upload.size()));

    ASSERT_EQ(lib.GetUploadFile(), PenOk);
    const std::size_t n = writing.points.size();
    ASSERT_TRUE(waitFor(
        [n] {
            std::lock_guard<std::mutex> lock(g_mutex);
            return g_checked == n;
        },
        60'000ms));
    std::lock_guard<std::mutex> lock(g_mutex);
    EXPECT_EQ(g_wrong, 0u);
    // Handwriting stays on the page: the pen-data callback gets every point too.
    EXPECT_EQ(g_penDataCount, n);
}

// A damaged upload is asked for again (0x39 with 1) and the second, intact send completes it.
TEST_F(UploadWire, DamagedSendIsAskedForAgain)
{
    files.setFiles({kSmall});
    StoredFiles::Options options;
    options.firstSendDamaged = true;
    files.setOptions(options);
    start();
    PenLibrary &lib = bed.library();
    ASSERT_EQ(lib.transferOldestFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return completions() == 1; }, 3000ms));
    EXPECT_TRUE(commandSent(commandFrame(2, 0x39, {1})));
    EXPECT_EQ(files.sends(), 2);
    ASSERT_EQ(lib.GetUploadFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return sizeOf(g_withPercent) == 20; }, 3000ms));
    EXPECT_EQ(copyOf(g_withPercent).front(), (Delivered{101, 199, 3, 5}));
}

// A CRC that never matches completes nothing: no 100 % report, nothing to fetch.
TEST_F(UploadWire, MismatchLeavesNothingToFetch)
{
    files.setFiles({kSmall});
    StoredFiles::Options options;
    options.crc = StoredFiles::Crc::Wrong;
    options.answerResend = false;
    files.setOptions(options);
    start();
    PenLibrary &lib = bed.library();
    ASSERT_EQ(lib.transferOldestFile(), PenOk);
    ASSERT_TRUE(waitFor([&] { return commandSent(commandFrame(2, 0x39, {1})); }, 3000ms));
    EXPECT_EQ(lib.GetUploadFile(), PenBadArgument);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(completions(), 0);
    EXPECT_EQ(sizeOf(g_withPercent), 0u);
}

// An upload that takes over a second reports on the way: the bytes since the last report, the
// percentage of what was collected (× 250, at most 99), the announced size; then 100 at the end.
TEST_F(UploadWire, ProgressDuringASlowUpload)
{
    const Bytes file = randomUpload(1500, 3);
    files.setFiles({file});
    StoredFiles::Options options;
    options.perFrame = 100;
    options.gap = 110ms; // about 1.8 s in all
    files.setOptions(options);
    start();
    ASSERT_EQ(bed.library().transferOldestFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return completions() == 1; }, 10'000ms));

    const auto status = copyOf(g_status);
    ASSERT_GE(status.size(), 2u);
    long collected = 0;
    for (std::size_t i = 0; i < status.size(); ++i) {
        collected += status[i].bytes;
        EXPECT_EQ(status[i].announced, 1500);
        if (i + 1 < status.size()) {
            EXPECT_EQ(status[i].percent, std::min<long>(99, collected * 250 / 1500)) << i;
        }
    }
    EXPECT_EQ(collected, 1500);
    EXPECT_EQ(status.back().percent, 100);
}

// A new transfer request makes the earlier upload no longer count until the new one completes.
TEST_F(UploadWire, NewTransferRequestWithdrawsTheEarlierUpload)
{
    files.setFiles({kSmall});
    start();
    PenLibrary &lib = bed.library();
    ASSERT_EQ(lib.transferOldestFile(), PenOk);
    ASSERT_TRUE(waitFor([] { return completions() == 1; }, 3000ms));
    ASSERT_EQ(lib.GetUploadFile(), PenOk);

    StoredFiles::Options options;
    options.beforeData = 1500ms;
    files.setOptions(options);
    ASSERT_EQ(lib.transferOldestFile(), PenOk);
    EXPECT_EQ(lib.GetUploadFile(), PenBadArgument);
    ASSERT_TRUE(waitFor([] { return completions() == 2; }, 5000ms));
    EXPECT_EQ(lib.GetUploadFile(), PenOk);
}

} // namespace
