#include "uploadpoints.h"

#include <new>

namespace scrivlo {

bool UploadPoints::reset(std::size_t capacity)
{
    if (capacity > m_capacity) {
        // Left uninitialised: only what a decode writes is ever read.
        std::unique_ptr<std::uint16_t[]> x(new (std::nothrow) std::uint16_t[capacity]);
        std::unique_ptr<std::uint16_t[]> y(new (std::nothrow) std::uint16_t[capacity]);
        std::unique_ptr<std::uint16_t[]> pressure(new (std::nothrow) std::uint16_t[capacity]);
        if (!x || !y || !pressure)
            return false;
        m_x = std::move(x);
        m_y = std::move(y);
        m_pressure = std::move(pressure);
        m_capacity = capacity;
    }
    m_count = 0;
    return true;
}

} // namespace scrivlo
