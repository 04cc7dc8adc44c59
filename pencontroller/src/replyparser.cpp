#include "replyparser.h"

#include "protocol.h"

#include <cstdio>
#include <cstring>

namespace scrivlo {
namespace {

constexpr int kMaxX = 21000;
constexpr int kMaxY = 29700;
constexpr int kMaxPressure = 2047;
constexpr std::size_t kAddressBytes = 6;

std::uint16_t le16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Address, name (S - 7 bytes) and the trailing byte of a receiver record with S >= 7.
struct DeviceRecord
{
    std::string mac;
    std::string name;
    int trailing = 0;
};

DeviceRecord readRecord(const std::uint8_t *data, std::size_t s)
{
    DeviceRecord record;
    record.mac = macText(data);
    record.name.assign(reinterpret_cast<const char *>(data + kAddressBytes), s - kAddressBytes - 1);
    record.trailing = static_cast<std::int8_t>(data[s - 1]);
    return record;
}

} // namespace

std::string macText(const std::uint8_t *a)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4],
                  a[5]);
    return std::string(text, 17);
}

ReplyParser::ReplyParser(ControllerState &state, FrameWriter &writer, UploadSink &upload)
    : m_state(state), m_writer(writer), m_upload(upload)
{
}

void ReplyParser::dispatchReply(const ReplyFrame &frame)
{
    switch (frame.channel) {
    case protocol::kChannelReceiver:
        parseReceiverReply(frame);
        break;
    case protocol::kChannelRealTime:
        parseRealTimePoints(frame);
        break;
    case protocol::kChannelPen:
        parsePenReply(frame);
        break;
    case protocol::kChannelUpload:
        m_upload.uploadData(frame.payload, frame.length);
        break;
    default:
        break;
    }
}

void ReplyParser::parseReceiverReply(const ReplyFrame &frame)
{
    if (frame.length < 2)
        return;
    const std::uint8_t code = frame.code();
    const std::size_t s = frame.subLength();
    const std::uint8_t *data = frame.subData();
    RequestStatus &status = m_state.status;

    if (code == protocol::kProbe) {
        if (frame.length == 3 && s == 1 && data[0] == 0) {
            status.set(Request::Probe, kStatusAnswered);
            status.set(Request::HardwareReset, kStatusAnswered);
            status.set(Request::FactoryReset, kStatusAnswered);
        }
        return;
    }
    // L = S + 2 also guarantees that all S data bytes are inside the frame.
    if (!frame.exactSubLength())
        return;

    switch (code) {
    case protocol::kReceiverInfo:
        if (s > 7) {
            const DeviceRecord record = readRecord(data, s);
            m_state.answers.setPair(AnswerText::ReceiverAddress, record.mac,
                                    AnswerText::ReceiverName, record.name);
            status.set(Request::GetDGBleInfo, kStatusAnswered);
        }
        break;
    case protocol::kReceiverVersion:
        if (s > 2) {
            m_state.answers.setText(AnswerText::ReceiverVersion, data, s);
            status.set(Request::GetDGVersion, kStatusAnswered);
        }
        break;
    case protocol::kReceiverSetName:
        if (s == 1 && data[0] == 1)
            status.set(Request::SetDGBleName, kStatusAnswered);
        else if (s == 1 && data[0] == 0)
            status.set(Request::SetDGBleName, kStatusRefused);
        break;
    case protocol::kSearchOrConnect:
    case protocol::kConnectedDevice:
    case protocol::kDisconnect: {
        if (code == protocol::kSearchOrConnect ? s < 7 : s <= 7)
            break;
        const DeviceRecord record = readRecord(data, s);
        // Stored before the callback runs, so that the callback already finds them.
        m_state.answers.setPair(AnswerText::DeviceAddress, record.mac, AnswerText::DeviceName,
                                record.name);
        if (code == protocol::kSearchOrConnect) {
            if (auto cb = m_state.callbacks.search.get())
                cb(record.mac.c_str(), record.name.c_str(), record.trailing);
        } else if (code == protocol::kConnectedDevice) {
            if (auto cb = m_state.callbacks.connect.get())
                cb(record.mac.c_str(), record.name.c_str());
            status.set(Request::GetDeviceBleInfo, kStatusAnswered);
        } else {
            status.set(Request::DisconnectDevice, kStatusAnswered);
        }
        break;
    }
    default:
        break;
    }
}

void ReplyParser::parsePenReply(const ReplyFrame &frame)
{
    if (frame.length < 2)
        return;
    const std::uint8_t code = frame.code();
    const std::size_t s = frame.subLength();
    const std::uint8_t *data = frame.subData();
    // The data bytes really present: never more than the frame holds.
    const std::size_t have = frame.subDataAvailable();
    const bool allThere = have == s;
    RequestStatus &status = m_state.status;
    AnswerStore &answers = m_state.answers;

    switch (code) {
    case protocol::kReplyButtonE:
    case protocol::kReplyButtonDot:
        if (have >= 2) {
            if (auto cb = m_state.callbacks.button.get())
                cb(le16(data));
        }
        break;
    case protocol::kReplyFileCount:
        if (have >= 1) {
            answers.setNumber(AnswerNumber::FileCount, data[0]);
            status.set(Request::QueryFileCount, kStatusAnswered);
        }
        break;
    case protocol::kReplyUploadAnnounce:
        if (have >= 8) {
            answers.setNumber(AnswerNumber::UploadSize, static_cast<std::int32_t>(le32(data)));
            answers.setNumber(AnswerNumber::UploadSecond,
                              static_cast<std::int32_t>(le32(data + 4)));
            status.set(Request::TransferOldestFile, kStatusAnswered);
            status.set(Request::TransferNewestFile, kStatusAnswered);
            m_writer.writeFrame(CommandFrame(protocol::kTargetPen, protocol::kUploadAck, {0}));
        }
        break;
    case protocol::kReplyUploadCrc:
        m_upload.uploadEnd(s == 4 && have == 4, have == 4 ? le32(data) : 0);
        break;
    case protocol::kReplyUploadMark:
        if (have >= 1)
            m_upload.uploadMark(data[0]);
        break;
    case protocol::kReplyResult:
        if (have >= 1 && data[0] == 0) {
            status.set(Request::SwitchToRealTimeMode, kStatusAnswered);
            status.set(Request::SwitchToUploadMode, kStatusAnswered);
            status.set(Request::DeleteUploadFile, kStatusAnswered);
        } else if (have >= 1 && data[0] == 1) {
            status.set(Request::DeleteUploadFile, kStatusRefused);
        }
        break;
    case protocol::kReplyClock:
        if (s == 4 && allThere) {
            answers.setNumber(AnswerNumber::PenClock, static_cast<std::int32_t>(le32(data)));
            status.set(Request::GetDeviceDateTime, kStatusAnswered);
            status.set(Request::SetDeviceDateTime, kStatusAnswered);
        }
        break;
    case protocol::kReplyPenName:
        if (allThere) {
            answers.setText(AnswerText::PenName, data, s);
            status.set(Request::GetDeviceName, kStatusAnswered);
            status.set(Request::SetDeviceName, kStatusAnswered);
        }
        break;
    case protocol::kReplyFirmware:
        if (s >= 1 && allThere) {
            if (data[0] == 0) {
                answers.appendText(AnswerText::Firmware1, data + 1, s - 1);
            } else if (data[0] == 1) {
                answers.appendText(AnswerText::Firmware2, data + 1, s - 1);
            } else {
                answers.appendText(AnswerText::Firmware1, data, s);
                answers.appendText(AnswerText::Firmware2, data, s);
            }
            status.set(Request::GetDeviceFirmwareVersion, kStatusAnswered);
        }
        break;
    case protocol::kReplyBattery:
        if (have >= 2) {
            answers.setNumber(AnswerNumber::Battery1, data[0]);
            answers.setNumber(AnswerNumber::Battery2, data[1]);
            status.set(Request::GetDeviceBatteryState, kStatusAnswered);
        }
        break;
    case protocol::kReplyProtectionSet:
        status.set(Request::OpenFileEncryption, kStatusAnswered);
        status.set(Request::CloseFileEncryption, kStatusAnswered);
        break;
    case protocol::kReplyProtectionStatus:
        if (have >= 1) {
            answers.setNumber(AnswerNumber::ProtectionStatus, data[0]);
            status.set(Request::QueryFileEncryptionStatus, kStatusAnswered);
        }
        break;
    case protocol::kReplyProtectionVerify:
        if (have >= 1 && data[0] == 1) {
            status.set(Request::VerifyFileEncryption, kStatusAnswered);
        } else if (have >= 1) {
            // A refusal that arrives late must not undo answers already given.
            for (Request r : {Request::VerifyFileEncryption, Request::SwitchToUploadMode,
                              Request::QueryFileCount, Request::TransferOldestFile,
                              Request::TransferNewestFile, Request::DeleteUploadFile})
                status.setIfPending(r, kStatusKeyRejected);
        }
        break;
    case protocol::kReplySerialText:
        if (allThere) {
            answers.setText(AnswerText::SerialText, data,
                            ::strnlen(reinterpret_cast<const char *>(data), s));
            status.set(Request::GetDeviceSN, kStatusAnswered);
            status.set(Request::SetDeviceSN, kStatusAnswered);
        }
        break;
    case protocol::kReplyScanCode:
        if (have >= 2) {
            answers.setNumber(AnswerNumber::ScanValue, le16(data));
            status.set(Request::ScanBinaryCode, kStatusAnswered);
        }
        break;
    default:
        break;
    }
}

void ReplyParser::parseRealTimePoints(const ReplyFrame &frame)
{
    if (frame.length < 2)
        return;
    const std::size_t s = frame.payload[1];
    if ((s != 6 && s != 12 && s != 18) || s > frame.length - 2u)
        return;
    const std::uint8_t *p = frame.payload + 2;
    for (std::size_t i = 0; i < s; i += 6)
        deliverRealTimePoint(le16(p + i), le16(p + i + 2), le16(p + i + 4));
}

void ReplyParser::deliverRealTimePoint(int x, int y, int pressure)
{
    auto cb = m_state.callbacks.realTime.get();
    if (cb && x <= kMaxX && y <= kMaxY && pressure <= kMaxPressure)
        cb(x, y, pressure);
}

} // namespace scrivlo
