#pragma once

#include <cstddef>
#include <cstdint>

// A crash report's text, built in a fixed buffer set aside beforehand: no allocation, no stdio,
// no locale, so it can be used inside the crash handler. What does not fit is cut; the text stays
// NUL-terminated.
class ReportText
{
public:
    ReportText(char *buffer, std::size_t capacity);

    ReportText &text(const char *text);
    ReportText &text(const char *text, std::size_t length);
    ReportText &character(char c);
    // Hexadecimal digits, left-padded with zeros to at least `width`; never cut short.
    ReportText &hex(std::uint64_t value, int width, bool upperCase = true);
    // Decimal, left-padded with zeros to at least `width`.
    ReportText &decimal(std::int64_t value, int width = 0);

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
