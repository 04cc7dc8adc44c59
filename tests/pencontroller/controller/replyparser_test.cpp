// Reply frames through the assembler into the parser: what each stores, settles and calls, and
// what it must leave alone.
#include "frameassembler.h"
#include "replyparser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using namespace scrivlo;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Calls
{
    std::vector<std::vector<int>> points;
    std::vector<std::string> searches; // "mac|name|trailing"
    std::vector<std::string> connects; // "mac|name|stored mac|stored name"
    std::vector<int> buttons;
};
Calls g_calls;
ControllerState *g_state = nullptr;

void SCRIVLO_CALL onPoint(int x, int y, int p)
{
    g_calls.points.push_back({x, y, p});
}
void SCRIVLO_CALL onSearch(const char *mac, const char *name, int trailing)
{
    g_calls.searches.push_back(std::string(mac) + "|" + name + "|" + std::to_string(trailing));
}
void SCRIVLO_CALL onConnect(const char *mac, const char *name)
{
    // What a getter called from here would find.
    g_calls.connects.push_back(std::string(mac) + "|" + name + "|" +
                               g_state->answers.text(AnswerText::DeviceAddress) + "|" +
                               g_state->answers.text(AnswerText::DeviceName));
}
void SCRIVLO_CALL onButton(int code)
{
    g_calls.buttons.push_back(code);
}

struct Writer : FrameWriter
{
    bool writeFrame(const CommandFrame &frame) override
    {
        written.emplace_back(frame.begin(), frame.end());
        return true;
    }
    std::vector<Bytes> written;
};

struct Parser
{
    ControllerState state;
    Writer writer;
    UploadSink upload;
    ReplyParser parser{state, writer, upload};
    FrameAssembler assembler{parser};

    Parser()
    {
        g_calls = Calls{};
        g_state = &state;
        state.callbacks.realTime.install(&onPoint);
        state.callbacks.search.install(&onSearch);
        state.callbacks.connect.install(&onConnect);
        state.callbacks.button.install(&onButton);
    }
    void feed(const Bytes &bytes) { assembler.feed(bytes.data(), bytes.size()); }
    std::int32_t status(Request r) const { return state.status.get(r); }
    std::string text(AnswerText t) const { return state.answers.text(t); }
    std::int32_t number(AnswerNumber n) const { return state.answers.getNumber(n); }
};

Bytes frame(std::uint8_t channel, const Bytes &payload)
{
    Bytes f(3 + payload.size());
    f[0] = 0xFF;
    f[1] = channel;
    f[2] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), f.begin() + 3);
    return f;
}
// Code, S = data size, data.
Bytes coded(std::uint8_t channel, std::uint8_t code, const Bytes &data)
{
    Bytes payload(2 + data.size());
    payload[0] = code;
    payload[1] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), payload.begin() + 2);
    return frame(channel, payload);
}
Bytes text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}
Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const Bytes kAddress{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};

struct Case
{
    std::string name;
    Bytes bytes;
    std::function<void(Parser &)> check;
    std::function<void(Parser &)> before = nullptr;
};
std::ostream &operator<<(std::ostream &os, const Case &c)
{
    return os << c.name;
}

constexpr std::int32_t kPending = kStatusPending;

std::vector<Case> cases()
{
    return {
        {"ProbeAnswerSettlesProbeAndResets", coded(0, 0xA0, {0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::Probe), 0);
             EXPECT_EQ(p.status(Request::HardwareReset), 0);
             EXPECT_EQ(p.status(Request::FactoryReset), 0);
         }},
        {"ProbeAnswerWithFourBytesIsDropped", frame(0, {0xA0, 0x01, 0x00, 0x00}),
         [](Parser &p) { EXPECT_EQ(p.status(Request::Probe), kPending); }},
        {"SearchRecordWithEmptyNameAndNegativeTrailingByte", coded(0, 0xA4, kAddress + Bytes{0x9C}),
         [](Parser &p) {
             EXPECT_EQ(g_calls.searches, std::vector<std::string>{"0A-1B-2C-3D-4E-5F||-100"});
             EXPECT_EQ(p.text(AnswerText::DeviceAddress), "0A-1B-2C-3D-4E-5F");
         }},
        {"ConnectRecordIsStoredBeforeTheCallbackRuns",
         coded(0, 0xA5, kAddress + text("Pen-7") + Bytes{0}),
         [](Parser &p) {
             EXPECT_EQ(g_calls.connects,
                       std::vector<std::string>{"0A-1B-2C-3D-4E-5F|Pen-7|0A-1B-2C-3D-4E-5F|Pen-7"});
             EXPECT_EQ(p.status(Request::GetDeviceBleInfo), 0);
         }},
        {"ConnectRecordWithoutNameIsDropped", coded(0, 0xA5, kAddress + Bytes{0}),
         [](Parser &p) {
             EXPECT_TRUE(g_calls.connects.empty());
             EXPECT_EQ(p.status(Request::GetDeviceBleInfo), kPending);
         }},
        {"ReceiverRecordWithWrongLengthIsDropped",
         frame(0, Bytes{0xA1, 12} + kAddress + text("Rx") + Bytes{0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::GetDGBleInfo), kPending);
             EXPECT_EQ(p.text(AnswerText::ReceiverName), "");
         }},
        {"ReceiverRecord", coded(0, 0xA1, kAddress + text("Rx") + Bytes{0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::GetDGBleInfo), 0);
             EXPECT_EQ(p.text(AnswerText::ReceiverAddress), "0A-1B-2C-3D-4E-5F");
             EXPECT_EQ(p.text(AnswerText::ReceiverName), "Rx");
         }},
        {"DisconnectRecord", coded(0, 0xA6, kAddress + text("Gone") + Bytes{1}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::DisconnectDevice), 0);
             EXPECT_EQ(p.text(AnswerText::DeviceName), "Gone");
             EXPECT_TRUE(g_calls.connects.empty());
         }},
        {"ReceiverVersionNeedsThreeBytes",
         coded(0, 0xA2, text("V1")) + coded(0, 0xA2, text("V1.2")),
         [](Parser &p) {
             EXPECT_EQ(p.text(AnswerText::ReceiverVersion), "V1.2");
             EXPECT_EQ(p.status(Request::GetDGVersion), 0);
         }},
        {"ReceiverNameRefused", coded(0, 0xA3, {0}),
         [](Parser &p) { EXPECT_EQ(p.status(Request::SetDGBleName), -1); }},
        {"ReceiverNameOtherByteChangesNothing", coded(0, 0xA3, {2}),
         [](Parser &p) { EXPECT_EQ(p.status(Request::SetDGBleName), kPending); }},
        {"TwoPointsOneOutOfRange",
         frame(1, {0, 12, 0x09, 0x52, 0x10, 0x00, 0x20, 0x00, 0x64, 0x00, 0x65, 0x00, 0xFF, 0x07}),
         [](Parser &) {
             // x = 21001 is dropped; (100, 101, 2047) is delivered.
             EXPECT_EQ(g_calls.points, (std::vector<std::vector<int>>{{100, 101, 2047}}));
         }},
        {"ThreePointsInOrder",
         frame(1, {0, 18, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 0x08, 0x52, 0x04, 0x74, 0, 0}),
         [](Parser &) {
             EXPECT_EQ(g_calls.points,
                       (std::vector<std::vector<int>>{{1, 2, 3}, {4, 5, 6}, {21000, 29700, 0}}));
         }},
        {"PointFrameShorterThanItsSubLengthIsDropped", frame(1, {0, 12, 1, 0, 2, 0, 3, 0}),
         [](Parser &) { EXPECT_TRUE(g_calls.points.empty()); }},
        {"PointFrameWithOtherSubLengthCarriesNothing", frame(1, {0, 7, 1, 0, 2, 0, 3, 0, 0}),
         [](Parser &) { EXPECT_TRUE(g_calls.points.empty()); }},
        {"FirmwareSelectorFiveAppendsToBoth",
         coded(2, 0x28, {0, 'A'}) + coded(2, 0x28, {1, 'B'}) + coded(2, 0x28, {5, 'x'}),
         [](Parser &p) {
             EXPECT_EQ(p.text(AnswerText::Firmware1), std::string("A\x05x"));
             EXPECT_EQ(p.text(AnswerText::Firmware2), std::string("B\x05x"));
             EXPECT_EQ(p.status(Request::GetDeviceFirmwareVersion), 0);
         }},
        {"FirmwareTextStopsGrowingAt250Bytes",
         coded(2, 0x28, Bytes{0} + Bytes(200, 'a')) + coded(2, 0x28, Bytes{0} + Bytes(200, 'b')),
         [](Parser &p) {
             EXPECT_EQ(p.text(AnswerText::Firmware1), std::string(200, 'a') + std::string(50, 'b'));
         }},
        {"ClockNeedsFourBytes", coded(2, 0x2D, {0xE8, 3, 0}) + coded(2, 0x2D, {0xE8, 3, 0, 0}),
         [](Parser &p) {
             EXPECT_EQ(p.number(AnswerNumber::PenClock), 1000);
             EXPECT_EQ(p.status(Request::GetDeviceDateTime), 0);
             EXPECT_EQ(p.status(Request::SetDeviceDateTime), 0);
         }},
        {"ButtonCodes", coded(2, 0x45, {0x02, 0x01}) + coded(2, 0x2E, {0x07, 0x00}),
         [](Parser &) {
             EXPECT_EQ(g_calls.buttons, (std::vector<int>{0x0102, 7}));
         }},
        {"ButtonReplyMissingItsSecondByteIsDropped", frame(2, {0x45, 2, 0x02}),
         [](Parser &) { EXPECT_TRUE(g_calls.buttons.empty()); }},
        {"PenNameLongerThanTheFrameIsDropped", frame(2, {0x2C, 10, 'P', 'e', 'n'}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::GetDeviceName), kPending);
             EXPECT_EQ(p.text(AnswerText::PenName), "");
         }},
        {"PenName", coded(2, 0x2C, text("Pen")),
         [](Parser &p) {
             EXPECT_EQ(p.text(AnswerText::PenName), "Pen");
             EXPECT_EQ(p.status(Request::SetDeviceName), 0);
         }},
        {"SerialTextEndsAtItsFirstNul", coded(2, 0x71, text("SN12") + Bytes{0} + text("xyz")),
         [](Parser &p) {
             EXPECT_EQ(p.text(AnswerText::SerialText), "SN12");
             EXPECT_EQ(p.status(Request::GetDeviceSN), 0);
         }},
        {"UploadAnnouncementIsAcknowledged", coded(2, 0x36, {0x00, 0x10, 0, 0, 7, 0, 0, 0}),
         [](Parser &p) {
             EXPECT_EQ(p.number(AnswerNumber::UploadSize), 4096);
             EXPECT_EQ(p.number(AnswerNumber::UploadSecond), 7);
             EXPECT_EQ(p.status(Request::TransferOldestFile), 0);
             EXPECT_EQ(p.status(Request::TransferNewestFile), 0);
             EXPECT_EQ(p.writer.written, (std::vector<Bytes>{{0xFE, 2, 3, 0x33, 1, 0}}));
         }},
        {"ShortUploadAnnouncementIsDropped", coded(2, 0x36, {0x00, 0x10, 0, 0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::TransferOldestFile), kPending);
             EXPECT_TRUE(p.writer.written.empty());
         }},
        {"ResultSuccess", coded(2, 0x23, {0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::SwitchToRealTimeMode), 0);
             EXPECT_EQ(p.status(Request::SwitchToUploadMode), 0);
             EXPECT_EQ(p.status(Request::DeleteUploadFile), 0);
         }},
        {"ResultFailure", coded(2, 0x23, {1}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::DeleteUploadFile), -1);
             EXPECT_EQ(p.status(Request::SwitchToUploadMode), kPending);
         }},
        {"RefusedKeyOnlyTouchesPendingRequests", coded(2, 0x65, {0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::VerifyFileEncryption), -5);
             EXPECT_EQ(p.status(Request::SwitchToUploadMode), -5);
             EXPECT_EQ(p.status(Request::TransferNewestFile), -5);
             EXPECT_EQ(p.status(Request::QueryFileCount), 0);
             EXPECT_EQ(p.status(Request::DeleteUploadFile), -1);
             EXPECT_EQ(p.status(Request::GetDeviceName), kPending);
         },
         [](Parser &p) {
             p.state.status.set(Request::QueryFileCount, 0);
             p.state.status.set(Request::DeleteUploadFile, -1);
         }},
        {"AcceptedKey", coded(2, 0x65, {1}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::VerifyFileEncryption), 0);
             EXPECT_EQ(p.status(Request::SwitchToUploadMode), kPending);
         }},
        {"NumbersOfThePen",
         coded(2, 0x32, {3}) + coded(2, 0x2A, {80, 1}) + coded(2, 0x63, {1}) +
             coded(2, 0x3A, {0x34, 0x12}) + coded(2, 0x62, {}),
         [](Parser &p) {
             EXPECT_EQ(p.number(AnswerNumber::FileCount), 3);
             EXPECT_EQ(p.number(AnswerNumber::Battery1), 80);
             EXPECT_EQ(p.number(AnswerNumber::Battery2), 1);
             EXPECT_EQ(p.number(AnswerNumber::ProtectionStatus), 1);
             EXPECT_EQ(p.number(AnswerNumber::ScanValue), 0x1234);
             for (Request r : {Request::QueryFileCount, Request::GetDeviceBatteryState,
                               Request::QueryFileEncryptionStatus, Request::ScanBinaryCode,
                               Request::OpenFileEncryption, Request::CloseFileEncryption})
                 EXPECT_EQ(p.status(r), 0);
         }},
        {"RepliesTooShortForCodeAndSubLength",
         frame(0, {}) + frame(2, {0x62}) + frame(0, {0xA0}) + frame(1, {0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::OpenFileEncryption), kPending);
             EXPECT_EQ(p.status(Request::Probe), kPending);
             EXPECT_TRUE(g_calls.points.empty());
         }},
        {"ChannelFourAndUnknownCodesChangeNothing",
         coded(4, 0xA0, {0}) + coded(0, 0x99, {0}) + coded(2, 0x99, {0}),
         [](Parser &p) {
             EXPECT_EQ(p.status(Request::Probe), kPending);
             EXPECT_TRUE(p.writer.written.empty());
         }},
    };
}

class ReplyParsing : public ::testing::TestWithParam<Case>
{
};

TEST_P(ReplyParsing, StoresSettlesAndCalls)
{
    const Case &c = GetParam();
    Parser p;
    if (c.before)
        c.before(p);
    p.feed(c.bytes);
    c.check(p);
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyParsing, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case> &info) {
                             return info.param.name;
                         });

} // namespace
