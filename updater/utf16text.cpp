#include "utf16text.h"

#include <cstdint>

namespace updater {

namespace {

void appendUnit(std::string &out, std::uint16_t unit)
{
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

// Decodes one UTF-8 sequence at `i`; returns its length, or 0 when it is not valid there.
size_t decode(const std::string &text, size_t i, std::uint32_t &code)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string utf8ToUtf16Le(const std::string &text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size();) {
        std::uint32_t code = 0;
        const size_t length = decode(text, i, code);
        if (length == 0) {
            appendUnit(out, 0xFFFD);
            ++i;
            continue;
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            appendUnit(out, static_cast<std::uint16_t>(0xD800 | (code >> 10)));
            appendUnit(out, static_cast<std::uint16_t>(0xDC00 | (code & 0x3FF)));
        } else {
            appendUnit(out, static_cast<std::uint16_t>(code));
        }
    }
    return out;
}

} // namespace updater
