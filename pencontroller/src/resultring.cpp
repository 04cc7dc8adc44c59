#include "resultring.h"

#include <cstdlib>

namespace scrivlo {

ResultRing::ResultRing() : m_slots(new Slot[kSlots]) {}

int ResultRing::store(const Values &values)
{
    // 64 bits never wrap in practice, so the modulo stays continuous.
    const std::size_t index = static_cast<std::size_t>(m_next.fetch_add(1) % kSlots);
    Slot &slot = m_slots[index];
    std::lock_guard<std::mutex> lock(slot.mutex);
    for (const auto &[field, value] : values)
        slot.fields[static_cast<std::size_t>(field)] = value;
    return static_cast<int>(index);
}

std::string ResultRing::text(int index, ResultField field) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= kSlots)
        return std::string();
    const Slot &slot = m_slots[static_cast<std::size_t>(index)];
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.fields[static_cast<std::size_t>(field)];
}

std::int32_t ResultRing::integer(int index, ResultField field) const
{
    return static_cast<std::int32_t>(std::atoi(text(index, field).c_str()));
}

} // namespace scrivlo
