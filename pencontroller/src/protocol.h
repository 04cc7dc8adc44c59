#pragma once

#include <cstdint>

// Byte values of the line protocol between the library and the pen receiver.
namespace scrivlo::protocol {

constexpr std::uint8_t kCommandStart = 0xFE;
constexpr std::uint8_t kReplyStart = 0xFF;

// Command targets.
constexpr std::uint8_t kTargetReceiver = 0;
constexpr std::uint8_t kTargetPen = 2;

// Reply channels; channels above kChannelIgnored never form a frame.
constexpr std::uint8_t kChannelReceiver = 0;
constexpr std::uint8_t kChannelRealTime = 1;
constexpr std::uint8_t kChannelPen = 2;
constexpr std::uint8_t kChannelUpload = 3;
constexpr std::uint8_t kChannelIgnored = 4;

// The largest payload a reply frame can carry: its length byte must leave the frame inside the
// 256-byte frame buffer.
constexpr int kMaxReplyPayload = 252;
constexpr int kMaxReplyFrame = kMaxReplyPayload + 3;

// Receiver commands and replies.
constexpr std::uint8_t kProbe = 0xA0;
constexpr std::uint8_t kReceiverInfo = 0xA1;
constexpr std::uint8_t kReceiverVersion = 0xA2;
constexpr std::uint8_t kReceiverSetName = 0xA3;
constexpr std::uint8_t kSearchOrConnect = 0xA4;
constexpr std::uint8_t kConnectedDevice = 0xA5;
constexpr std::uint8_t kDisconnect = 0xA6;

// Pen commands.
constexpr std::uint8_t kTestLight = 0x1F;
constexpr std::uint8_t kSwitchMode = 0x21;
constexpr std::uint8_t kStopTransfer = 0x24;
constexpr std::uint8_t kReset = 0x25;
constexpr std::uint8_t kClock = 0x26;
constexpr std::uint8_t kFirmwareVersion = 0x27;
constexpr std::uint8_t kBattery = 0x29;
constexpr std::uint8_t kPenName = 0x2B;
constexpr std::uint8_t kFileCount = 0x31;
constexpr std::uint8_t kUploadAck = 0x33;
constexpr std::uint8_t kTransferFile = 0x34;
constexpr std::uint8_t kDeleteFile = 0x39;
constexpr std::uint8_t kScanCode = 0x3A;
constexpr std::uint8_t kMonitorNum = 0x4B;
constexpr std::uint8_t kProtectionMode = 0x60;
constexpr std::uint8_t kProtectionQuery = 0x62;
constexpr std::uint8_t kProtectionVerify = 0x64;
constexpr std::uint8_t kSerialText = 0x70;
constexpr std::uint8_t kA5Light = 0x87;

// Pen replies.
constexpr std::uint8_t kReplyButtonE = 0x45;
constexpr std::uint8_t kReplyButtonDot = 0x2E;
constexpr std::uint8_t kReplyFileCount = 0x32;
constexpr std::uint8_t kReplyUploadAnnounce = 0x36;
constexpr std::uint8_t kReplyUploadCrc = 0x38;
constexpr std::uint8_t kReplyUploadMark = 0x37;
constexpr std::uint8_t kReplyResult = 0x23;
constexpr std::uint8_t kReplyClock = 0x2D;
constexpr std::uint8_t kReplyPenName = 0x2C;
constexpr std::uint8_t kReplyFirmware = 0x28;
constexpr std::uint8_t kReplyBattery = 0x2A;
constexpr std::uint8_t kReplyProtectionSet = 0x62;
constexpr std::uint8_t kReplyProtectionStatus = 0x63;
constexpr std::uint8_t kReplyProtectionVerify = 0x65;
constexpr std::uint8_t kReplySerialText = 0x71;
constexpr std::uint8_t kReplyScanCode = 0x3A;

} // namespace scrivlo::protocol
