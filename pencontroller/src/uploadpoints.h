#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace scrivlo {

// The points decoded from the last good upload. Allocated once for the largest upload.
class UploadPoints
{
public:
    static constexpr std::size_t kCapacity = 1'833'334;

    UploadPoints();

    void clear() { m_count = 0; }
    // False, and nothing stored, once the arrays are full.
    bool append(std::uint16_t x, std::uint16_t y, std::uint16_t pressure);

    std::size_t count() const { return m_count; }
    std::uint16_t x(std::size_t i) const { return m_x[i]; }
    std::uint16_t y(std::size_t i) const { return m_y[i]; }
    std::uint16_t pressure(std::size_t i) const { return m_pressure[i]; }

private:
    std::unique_ptr<std::uint16_t[]> m_x;
    std::unique_ptr<std::uint16_t[]> m_y;
    std::unique_ptr<std::uint16_t[]> m_pressure;
    std::size_t m_count = 0;
};

} // namespace scrivlo
