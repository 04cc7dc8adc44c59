#include "textbuffer.h"

namespace crash {

TextBuffer::TextBuffer(char *buffer, std::size_t capacity) : m_buffer(buffer), m_capacity(capacity)
{
    clear();
}

void TextBuffer::clear()
{
    m_length = 0;
    m_cut = false;
    if (m_capacity > 0)
        m_buffer[0] = '\0';
}

TextBuffer &TextBuffer::character(char c)
{
    if (m_length + 1 >= m_capacity) {
        m_cut = true;
        return *this;
    }
    m_buffer[m_length++] = c;
    m_buffer[m_length] = '\0';
    return *this;
}

TextBuffer &TextBuffer::text(const char *text, std::size_t length)
{
    for (std::size_t i = 0; i < length && !m_cut; ++i)
        character(text[i]);
    return *this;
}

TextBuffer &TextBuffer::text(const char *text)
{
    if (!text)
        return *this;
    for (; *text && !m_cut; ++text)
        character(*text);
    return *this;
}

TextBuffer &TextBuffer::hex(std::uint64_t value, int width, bool upperCase)
{
    const char *digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    int count = 0;
    do {
        reversed[count++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    for (int i = count; i < width; ++i)
        character('0');
    while (count > 0)
        character(reversed[--count]);
    return *this;
}

TextBuffer &TextBuffer::decimal(std::int64_t value, int width)
{
    char reversed[20];
    int count = 0;
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        character('-');
    for (int i = count; i < width; ++i)
        character('0');
    while (count > 0)
        character(reversed[--count]);
    return *this;
}

} // namespace crash
