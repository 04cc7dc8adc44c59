#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace scrivlo {

// The points decoded from the last good upload. The arrays are sized for each upload as it is
// decoded, so an upload of any size the buffer holds fits; they only ever grow, and pages of them
// that no upload reached cost no memory.
class UploadPoints
{
public:
    // Room for `capacity` points, with none held. Allocates at most once; false, with the points
    // held left as they were, when the memory cannot be had.
    bool reset(std::size_t capacity);
    // False, and nothing stored, once the room is used up.
    bool append(std::uint16_t x, std::uint16_t y, std::uint16_t pressure)
    {
        if (m_count >= m_capacity)
            return false;
        m_x[m_count] = x;
        m_y[m_count] = y;
        m_pressure[m_count] = pressure;
        ++m_count;
        return true;
    }

    std::size_t count() const { return m_count; }
    std::uint16_t x(std::size_t i) const { return m_x[i]; }
    std::uint16_t y(std::size_t i) const { return m_y[i]; }
    std::uint16_t pressure(std::size_t i) const { return m_pressure[i]; }

private:
    std::unique_ptr<std::uint16_t[]> m_x;
    std::unique_ptr<std::uint16_t[]> m_y;
    std::unique_ptr<std::uint16_t[]> m_pressure;
    std::size_t m_capacity = 0;
    std::size_t m_count = 0;
};

} // namespace scrivlo
