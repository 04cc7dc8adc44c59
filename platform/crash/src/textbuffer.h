#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace crash {

// A NUL-terminated text built in a caller's fixed buffer, for crash time: no allocation, no
// locale. Appending past the end sets overflowed() and keeps what fitted.
class TextBuffer
{
public:
    TextBuffer(char *buffer, std::size_t capacity) : m_buffer(buffer), m_capacity(capacity)
    {
        if (m_capacity > 0)
            m_buffer[0] = '\0';
    }

    void append(const char *text, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i)
            put(text[i]);
    }
    void append(const char *text) { append(text, std::strlen(text)); }

    // Decimal, left-padded with zeros to at least `width` digits.
    void appendDecimal(std::int64_t value, int width = 0)
    {
        char digits[24];
        int count = 0;
        const bool negative = value < 0;
        std::uint64_t magnitude =
            negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative)
            put('-');
        for (int i = count; i < width; ++i)
            put('0');
        while (count > 0)
            put(digits[--count]);
    }

    const char *text() const { return m_buffer; }
    std::size_t length() const { return m_length; }
    bool overflowed() const { return m_overflowed; }

private:
    void put(char c)
    {
        if (m_length + 1 >= m_capacity) {
            m_overflowed = true;
            return;
        }
        m_buffer[m_length++] = c;
        m_buffer[m_length] = '\0';
    }

    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_length = 0;
    bool m_overflowed = false;
};

} // namespace crash
