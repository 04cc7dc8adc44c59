#include "requests.h"

#include "commandframe.h"
#include "protocol.h"
#include "scrivlocontrollerctrl.h"

#include <cstring>
#include <string>

namespace scrivlo::requests {
namespace {

using namespace protocol;

constexpr std::size_t kMacTextLength = 17;
constexpr std::size_t kMaxReceiverName = 16;
constexpr std::size_t kMaxPenName = 13;
constexpr std::size_t kKeyLength = 8;
constexpr std::size_t kSerialLength = 10;
constexpr std::int32_t kProtectionModeResult = -3;
constexpr std::uint8_t kTestLightPattern[] = {0x5C, 0x2A, 0x93, 0x41, 0xE7, 0x0D};

CScrivloControllerCtrl &controller()
{
    return CScrivloControllerCtrl::instance();
}
RequestStatus &statuses()
{
    return controller().state().status;
}
AnswerStore &answers()
{
    return controller().state().answers;
}
ResultRing &results()
{
    return controller().results();
}

CommandFrame penCommand(std::uint8_t code, std::initializer_list<std::uint8_t> arguments)
{
    return CommandFrame(kTargetPen, code, arguments);
}
CommandFrame receiverCommand(std::uint8_t code, std::initializer_list<std::uint8_t> arguments)
{
    return CommandFrame(kTargetReceiver, code, arguments);
}
CommandFrame withText(std::uint8_t target, std::uint8_t code, const char *text, std::size_t length,
                      const std::uint8_t *prefix = nullptr, std::size_t prefixLength = 0)
{
    std::uint8_t arguments[CommandFrame::kMaxArguments];
    if (prefixLength > 0)
        std::memcpy(arguments, prefix, prefixLength);
    std::memcpy(arguments + prefixLength, text, length);
    return CommandFrame(target, code, arguments, prefixLength + length);
}

struct Outcome
{
    bool written = false;
    std::int32_t status = kStatusPending;
};

// Marks the request pending, writes its frame and waits for the parser to settle it. Inside a
// callback the parser cannot run until the callback returns, so there the frame still goes out
// (the pen acts on it) but the request does not wait for an answer that cannot come.
Outcome run(Request request, const CommandFrame &frame,
            std::chrono::milliseconds limit = kRequestWait)
{
    Outcome outcome;
    statuses().set(request, kStatusPending);
    outcome.written = controller().writeFrame(frame);
    if (controller().onWorkerThread())
        outcome.status = kStatusPending;
    else
        outcome.status = waitForStatus(statuses().word(request), limit, controller().waitClock());
    return outcome;
}

// Sends nothing; waits only to report like a request that got no answer.
bool send(const CommandFrame &frame)
{
    return controller().writeFrame(frame);
}

// The upload-related commands must not leave the pen in a transfer the host gave up on.
void stopAfterTimeout(const Outcome &outcome)
{
    if (outcome.status == kStatusPending && outcome.written && !controller().onWorkerThread())
        send(penCommand(kStopTransfer, {0}));
}

// Caller buffers: the bytes of the text, no terminating NUL (the caller zero-filled them).
void copyOut(char *buffer, const std::string &text)
{
    if (buffer && !text.empty())
        std::memcpy(buffer, text.data(), ::strnlen(text.data(), text.size()));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int deviceRecordRequest(Request request, const CommandFrame &frame, char *macText, char *name)
{
    const Outcome outcome = run(request, frame);
    if (outcome.status != kStatusAnswered)
        return outcome.status;
    const int slot =
        results().store({{ResultField::DeviceAddress, answers().text(AnswerText::DeviceAddress)},
                         {ResultField::DeviceName, answers().text(AnswerText::DeviceName)}});
    copyOut(macText, results().text(slot, ResultField::DeviceAddress));
    copyOut(name, results().text(slot, ResultField::DeviceName));
    return PenOk;
}

int disconnect(char *macText, char *name)
{
    const int result = deviceRecordRequest(Request::DisconnectDevice,
                                           receiverCommand(kDisconnect, {0}), macText, name);
    if (result == PenOk)
        statuses().set(Request::ConnectDevice, kStatusRefused);
    return result;
}

int integerRequest(Request request, const CommandFrame &frame, ResultField field,
                   AnswerNumber number, int *out)
{
    const Outcome outcome = run(request, frame);
    if (outcome.status != kStatusAnswered)
        return outcome.status;
    const int slot = results().store({{field, ResultRing::number(answers().getNumber(number))}});
    *out = results().integer(slot, field);
    return PenOk;
}

int textRequest(Request request, const CommandFrame &frame, ResultField field, AnswerText text,
                char *out)
{
    const Outcome outcome = run(request, frame);
    if (outcome.status != kStatusAnswered)
        return outcome.status;
    const int slot = results().store({{field, answers().text(text)}});
    copyOut(out, results().text(slot, field));
    return PenOk;
}

// The two firmware texts, each asked for on its own. False when neither arrived.
bool firmwareTexts(std::string &text1, std::string &text2)
{
    answers().clearText(AnswerText::Firmware1);
    const Outcome first = run(Request::GetDeviceFirmwareVersion, penCommand(kFirmwareVersion, {0}));
    answers().clearText(AnswerText::Firmware2);
    const Outcome second =
        run(Request::GetDeviceFirmwareVersion, penCommand(kFirmwareVersion, {1}));
    if (first.status != kStatusAnswered && second.status != kStatusAnswered)
        return false;
    const int slot =
        results().store({{ResultField::Firmware1, answers().text(AnswerText::Firmware1)},
                         {ResultField::Firmware2, answers().text(AnswerText::Firmware2)}});
    text1 = results().text(slot, ResultField::Firmware1);
    text2 = results().text(slot, ResultField::Firmware2);
    return true;
}

} // namespace

int connectDevice()
{
    // No reply settles this word; the wait only paces the caller, and a successful
    // disconnect on another thread cuts it short.
    const Outcome outcome = run(Request::ConnectDevice, receiverCommand(kSearchOrConnect, {2}));
    return outcome.written ? PenOk : PenTimeout;
}

int searchDevice()
{
    const Outcome outcome = run(Request::SearchDevice, receiverCommand(kSearchOrConnect, {3}));
    return outcome.written ? PenOk : PenTimeout;
}

int connectDeviceByMac(const char *macText)
{
    if (!macText || std::strlen(macText) != kMacTextLength)
        return PenBadArgument;
    std::uint8_t arguments[7] = {};
    for (int i = 0; i < 6; ++i) {
        const int high = hexDigit(macText[3 * i]);
        const int low = hexDigit(macText[3 * i + 1]);
        if (high < 0 || low < 0)
            return PenBadArgument;
        arguments[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    disconnect(nullptr, nullptr);
    const Outcome outcome = run(Request::ConnectDeviceByMac,
                                CommandFrame(kTargetReceiver, kConnectedDevice, arguments, 7));
    return outcome.written ? PenOk : PenTimeout;
}

int disconnectDevice(char *macText, char *name)
{
    if (!macText || !name)
        return PenBadArgument;
    return disconnect(macText, name);
}

int getDeviceBleInfo(char *macText, char *name)
{
    if (!macText || !name)
        return PenBadArgument;
    return deviceRecordRequest(Request::GetDeviceBleInfo, receiverCommand(kConnectedDevice, {0}),
                               macText, name);
}

int getDGBleInfo(char *macText, char *name)
{
    if (!macText || !name)
        return PenBadArgument;
    const Outcome outcome = run(Request::GetDGBleInfo, receiverCommand(kReceiverInfo, {0}));
    if (outcome.status != kStatusAnswered)
        return outcome.status;
    const int slot = results().store(
        {{ResultField::ReceiverAddress, answers().text(AnswerText::ReceiverAddress)},
         {ResultField::ReceiverName, answers().text(AnswerText::ReceiverName)}});
    copyOut(macText, results().text(slot, ResultField::ReceiverAddress));
    copyOut(name, results().text(slot, ResultField::ReceiverName));
    return PenOk;
}

int getDGVersion(char *version)
{
    if (!version)
        return PenBadArgument;
    return textRequest(Request::GetDGVersion, receiverCommand(kReceiverVersion, {0}),
                       ResultField::ReceiverVersion, AnswerText::ReceiverVersion, version);
}

int setDGBleName(const char *name)
{
    if (!name)
        return PenBadArgument;
    const std::size_t length = std::strlen(name);
    if (length > kMaxReceiverName)
        return PenBadArgument;
    return run(Request::SetDGBleName, withText(kTargetReceiver, kReceiverSetName, name, length))
        .status;
}

int switchToRealTimeMode()
{
    return run(Request::SwitchToRealTimeMode, penCommand(kSwitchMode, {0})).status;
}

int switchToUploadMode()
{
    const Outcome outcome = run(Request::SwitchToUploadMode, penCommand(kSwitchMode, {1}));
    stopAfterTimeout(outcome);
    return outcome.status;
}

int queryFileCount(int *count)
{
    if (!count)
        return PenBadArgument;
    return integerRequest(Request::QueryFileCount, penCommand(kFileCount, {0}),
                          ResultField::FileCount, AnswerNumber::FileCount, count);
}

int transferFile(bool newest)
{
    // The values of an earlier announcement must not pass for this transfer's.
    answers().setNumber(AnswerNumber::UploadSize, 0);
    answers().setNumber(AnswerNumber::UploadSecond, 0);
    controller().upload().transferRequested();
    const Outcome outcome =
        run(newest ? Request::TransferNewestFile : Request::TransferOldestFile,
            penCommand(kTransferFile, {static_cast<std::uint8_t>(newest ? 1 : 0)}));
    stopAfterTimeout(outcome);
    return outcome.status;
}

int getUploadFileInfo(int *size, int *second)
{
    if (!size || !second)
        return PenBadArgument;
    const int slot =
        results().store({{ResultField::UploadSize,
                          ResultRing::number(answers().getNumber(AnswerNumber::UploadSize))},
                         {ResultField::UploadSecond,
                          ResultRing::number(answers().getNumber(AnswerNumber::UploadSecond))}});
    *size = results().integer(slot, ResultField::UploadSize);
    *second = results().integer(slot, ResultField::UploadSecond);
    return PenOk;
}

int stopTransfer()
{
    return send(penCommand(kStopTransfer, {0})) ? PenOk : PenTimeout;
}

int getUploadFile()
{
    if (!controller().upload().uploadComplete())
        return PenBadArgument;
    controller().pushEvent(kEventFileDataTransfer);
    return PenOk;
}

int deleteUploadFile()
{
    const Outcome outcome = run(Request::DeleteUploadFile, penCommand(kDeleteFile, {0}));
    stopAfterTimeout(outcome);
    return outcome.status;
}

int getDeviceDateTime(int *clock)
{
    if (!clock)
        return PenBadArgument;
    return integerRequest(Request::GetDeviceDateTime, penCommand(kClock, {0}),
                          ResultField::PenClock, AnswerNumber::PenClock, clock);
}

int setDeviceDateTime(int clock)
{
    const std::uint32_t v = static_cast<std::uint32_t>(clock);
    return run(Request::SetDeviceDateTime,
               penCommand(kClock,
                          {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                           static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}))
        .status;
}

int getDeviceName(char *name)
{
    if (!name)
        return PenBadArgument;
    return textRequest(Request::GetDeviceName, penCommand(kPenName, {0}), ResultField::PenName,
                       AnswerText::PenName, name);
}

int setDeviceName(const char *name)
{
    if (!name)
        return PenBadArgument;
    const std::size_t length = std::strlen(name);
    if (length > kMaxPenName)
        return PenBadArgument;
    return run(Request::SetDeviceName, withText(kTargetPen, kPenName, name, length)).status;
}

int getDeviceFirmwareVersion(char *text1, char *text2)
{
    if (!text1 || !text2)
        return PenBadArgument;
    std::string first, second;
    if (!firmwareTexts(first, second))
        return PenTimeout;
    copyOut(text1, first);
    copyOut(text2, second);
    return PenOk;
}

int getDeviceRatio(int *longSide, int *shortSide)
{
    if (!longSide || !shortSide)
        return PenBadArgument;
    std::string first, second;
    firmwareTexts(first, second);
    if (first.find("A5") != std::string::npos) {
        *longSide = 21000;
        *shortSide = 14800;
    } else {
        *longSide = 29700;
        *shortSide = 21000;
    }
    return PenOk;
}

int getDeviceBatteryState(int *value1, int *value2)
{
    if (!value1 || !value2)
        return PenBadArgument;
    const Outcome outcome = run(Request::GetDeviceBatteryState, penCommand(kBattery, {0}));
    if (outcome.status != kStatusAnswered)
        return outcome.status;
    const int slot = results().store(
        {{ResultField::Battery1, ResultRing::number(answers().getNumber(AnswerNumber::Battery1))},
         {ResultField::Battery2, ResultRing::number(answers().getNumber(AnswerNumber::Battery2))}});
    *value1 = results().integer(slot, ResultField::Battery1);
    *value2 = results().integer(slot, ResultField::Battery2);
    return PenOk;
}

int reset(bool factory)
{
    return run(factory ? Request::FactoryReset : Request::HardwareReset,
               penCommand(kReset, {static_cast<std::uint8_t>(factory ? 1 : 0)}))
        .status;
}

int getDeviceSN(char *serial)
{
    if (!serial)
        return PenBadArgument;
    return textRequest(Request::GetDeviceSN, penCommand(kSerialText, {0}), ResultField::SerialText,
                       AnswerText::SerialText, serial);
}

int setDeviceSN(const char *serial)
{
    if (!serial || std::strlen(serial) != kSerialLength)
        return PenBadArgument;
    return run(Request::SetDeviceSN, withText(kTargetPen, kSerialText, serial, kSerialLength))
        .status;
}

int scanBinaryCode(int *value)
{
    if (!value)
        return PenBadArgument;
    const Outcome outcome = run(Request::ScanBinaryCode, penCommand(kScanCode, {0}), kScanWait);
    if (outcome.status != kStatusAnswered)
        return outcome.status;
    *value = answers().getNumber(AnswerNumber::ScanValue);
    return PenOk;
}

int setMonitorNum(const int *value)
{
    if (!value)
        return PenBadArgument;
    const std::uint32_t v = static_cast<std::uint32_t>(*value);
    return send(penCommand(kMonitorNum,
                           {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), 0, 0}))
               ? PenOk
               : PenTimeout;
}

int setFileProtection(bool on, const char *key)
{
    if (!key)
        return PenBadArgument;
    if (std::strlen(key) != kKeyLength)
        return kProtectionModeResult;
    const std::uint8_t mode = on ? 1 : 0;
    run(on ? Request::OpenFileEncryption : Request::CloseFileEncryption,
        withText(kTargetPen, kProtectionMode, key, kKeyLength, &mode, 1));
    return kProtectionModeResult;
}

int verifyFileProtectionKey(const char *key)
{
    if (!key || std::strlen(key) != kKeyLength)
        return PenBadArgument;
    const std::uint8_t mode = 2;
    const Outcome outcome = run(Request::VerifyFileEncryption,
                                withText(kTargetPen, kProtectionVerify, key, kKeyLength, &mode, 1));
    if (outcome.status == kStatusAnswered)
        results().store({{ResultField::KeyCheck, "0"}});
    return outcome.status;
}

int queryFileProtectionStatus(int *status)
{
    if (!status)
        return PenBadArgument;
    return integerRequest(Request::QueryFileEncryptionStatus, penCommand(kProtectionQuery, {0}),
                          ResultField::ProtectionStatus, AnswerNumber::ProtectionStatus, status);
}

int testLight(bool on)
{
    const std::uint8_t state = on ? 2 : 3;
    return send(withText(kTargetPen, kTestLight, reinterpret_cast<const char *>(&state), 1,
                         kTestLightPattern, sizeof kTestLightPattern))
               ? PenOk
               : PenTimeout;
}

int testA5Light(int mode)
{
    return send(penCommand(kA5Light, {static_cast<std::uint8_t>(mode)})) ? PenOk : PenTimeout;
}

} // namespace scrivlo::requests
