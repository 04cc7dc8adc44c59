#include "answerstore.h"

#include <algorithm>
#include <cstring>

namespace scrivlo {

void AnswerStore::assignLocked(Text &text, const char *bytes, std::size_t count)
{
    text.length = std::min(count, kMaxAnswerText);
    if (text.length > 0)
        std::memcpy(text.bytes.data(), bytes, text.length);
    text.bytes[text.length] = '\0';
}

void AnswerStore::setText(AnswerText which, const std::uint8_t *bytes, std::size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    assignLocked(m_texts[static_cast<std::size_t>(which)], reinterpret_cast<const char *>(bytes),
                 count);
}

void AnswerStore::setPair(AnswerText first, const std::string &firstValue, AnswerText second,
                          const std::string &secondValue)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    assignLocked(m_texts[static_cast<std::size_t>(first)], firstValue.data(), firstValue.size());
    assignLocked(m_texts[static_cast<std::size_t>(second)], secondValue.data(), secondValue.size());
}

void AnswerStore::appendText(AnswerText which, const std::uint8_t *bytes, std::size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Text &text = m_texts[static_cast<std::size_t>(which)];
    const std::size_t room = kMaxAnswerText - text.length;
    const std::size_t taken = std::min(count, room);
    if (taken > 0)
        std::memcpy(text.bytes.data() + text.length, bytes, taken);
    text.length += taken;
    text.bytes[text.length] = '\0';
}

void AnswerStore::clearText(AnswerText which)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Text &text = m_texts[static_cast<std::size_t>(which)];
    text.length = 0;
    text.bytes[0] = '\0';
}

std::string AnswerStore::text(AnswerText which) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Text &text = m_texts[static_cast<std::size_t>(which)];
    return std::string(text.bytes.data(), ::strnlen(text.bytes.data(), text.length));
}

} // namespace scrivlo
