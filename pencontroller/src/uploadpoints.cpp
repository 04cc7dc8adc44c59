#include "uploadpoints.h"

namespace scrivlo {

UploadPoints::UploadPoints()
    : m_x(new std::uint16_t[kCapacity]), m_y(new std::uint16_t[kCapacity]),
      m_pressure(new std::uint16_t[kCapacity])
{
}

bool UploadPoints::append(std::uint16_t x, std::uint16_t y, std::uint16_t pressure)
{
    if (m_count >= kCapacity)
        return false;
    m_x[m_count] = x;
    m_y[m_count] = y;
    m_pressure[m_count] = pressure;
    ++m_count;
    return true;
}

} // namespace scrivlo
