#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace scrivlo {

// The longest text kept; with the caller's zero after it every text output fits in 251 bytes.
constexpr std::size_t kMaxAnswerText = 250;

enum class AnswerText : int
{
    ReceiverAddress,
    ReceiverName,
    ReceiverVersion,
    DeviceAddress,
    DeviceName,
    PenName,
    Firmware1,
    Firmware2,
    SerialText,
    Count
};

enum class AnswerNumber : int
{
    FileCount,
    UploadSize,
    UploadSecond,
    PenClock,
    Battery1,
    Battery2,
    ProtectionStatus,
    ScanValue,
    Count
};

// The last answers from the device. The parser writes them on the worker thread, requests read
// them on callers' threads. Texts sit behind one mutex, which is only ever held for a copy, never
// while a callback runs; numbers are atomics.
class AnswerStore
{
public:
    // Replaces a text with the bytes given, cut to kMaxAnswerText.
    void setText(AnswerText which, const std::uint8_t *bytes, std::size_t count);
    // Replaces an address text and a name at once, so that no reader sees one without the other.
    void setPair(AnswerText first, const std::string &firstValue, AnswerText second,
                 const std::string &secondValue);
    // Appends what still fits; the rest is dropped.
    void appendText(AnswerText which, const std::uint8_t *bytes, std::size_t count);
    void clearText(AnswerText which);
    // The text up to its first NUL byte.
    std::string text(AnswerText which) const;

    void setNumber(AnswerNumber which, std::int32_t value) { number(which).store(value); }
    std::int32_t getNumber(AnswerNumber which) const { return number(which).load(); }

private:
    struct Text
    {
        std::array<char, kMaxAnswerText + 1> bytes{};
        std::size_t length = 0;
    };
    void assignLocked(Text &text, const char *bytes, std::size_t count);

    std::atomic<std::int32_t> &number(AnswerNumber which)
    {
        return m_numbers[static_cast<std::size_t>(which)];
    }
    const std::atomic<std::int32_t> &number(AnswerNumber which) const
    {
        return m_numbers[static_cast<std::size_t>(which)];
    }

    mutable std::mutex m_mutex;
    std::array<Text, static_cast<std::size_t>(AnswerText::Count)> m_texts{};
    std::array<std::atomic<std::int32_t>, static_cast<std::size_t>(AnswerNumber::Count)>
        m_numbers{};
};

} // namespace scrivlo
