#pragma once

#include <cstddef>
#include <cstdint>

namespace crash {

// A text built in a fixed buffer set aside beforehand: no allocation, no stdio, no locale, so it
// can be used inside the crash handler and its callbacks. What does not fit is cut (cut() tells);
// the text stays NUL-terminated.
class TextBuffer
{
public:
    TextBuffer(char *buffer, std::size_t capacity);

    // A null text appends nothing.
    TextBuffer &text(const char *text);
    TextBuffer &text(const char *text, std::size_t length);
    TextBuffer &character(char c);
    // Hexadecimal digits, left-padded with zeros to at least `width`; never cut short.
    TextBuffer &hex(std::uint64_t value, int width, bool upperCase = true);
    // Decimal, left-padded with zeros to at least `width`.
    TextBuffer &decimal(std::int64_t value, int width = 0);

    const char *data() const { return m_buffer; }
    std::size_t length() const { return m_length; }
    bool cut() const { return m_cut; }
    void clear();

private:
    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_length = 0;
    bool m_cut = false;
};

} // namespace crash
