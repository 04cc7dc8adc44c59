#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace scrivlo {

enum class ResultField : int
{
    ReceiverAddress,
    ReceiverName,
    ReceiverVersion,
    DeviceAddress,
    DeviceName,
    PenClock,
    PenName,
    Battery1,
    Battery2,
    FileCount,
    UploadSize,
    UploadSecond,
    ProtectionStatus,
    KeyCheck,
    Firmware1,
    Firmware2,
    SerialText,
    Count
};

// Where requests leave their answers for the exports to copy out: a ring of slots of text
// fields, numbers kept as decimal text. Several callers may take slots at once, so the next
// index is taken with one atomic step and each slot has its own lock.
class ResultRing
{
public:
    static constexpr std::size_t kSlots = 5000;
    static constexpr std::size_t kFields = static_cast<std::size_t>(ResultField::Count);

    using Values = std::vector<std::pair<ResultField, std::string>>;

    ResultRing();

    // Writes the values into the next slot and returns that slot's index.
    int store(const Values &values);
    static std::string number(std::int32_t value) { return std::to_string(value); }

    // Empty for an index the ring never hands out.
    std::string text(int index, ResultField field) const;
    std::int32_t integer(int index, ResultField field) const;

    // The slot the next store will take.
    std::size_t nextIndex() const { return m_next.load() % kSlots; }

private:
    struct Slot
    {
        mutable std::mutex mutex;
        std::array<std::string, kFields> fields;
    };
    std::unique_ptr<Slot[]> m_slots;
    std::atomic<std::uint64_t> m_next{0};
};

} // namespace scrivlo
