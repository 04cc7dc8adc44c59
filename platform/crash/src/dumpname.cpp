#include "dumpname.h"

#include "textbuffer.h"

#include <cstring>

namespace crash {

namespace {

enum class Field
{
    None,
    Name,
    Version,
    Date,
    Time,
    Pid,
    Tid
};

// Reads a "{field}" at `at`; returns its length, or 0 when it is not a known field.
std::size_t readField(const char *at, Field &field)
{
    static constexpr struct
    {
        const char *text;
        Field field;
    } kFields[] = {{"{name}", Field::Name}, {"{version}", Field::Version}, {"{date}", Field::Date},
                   {"{time}", Field::Time}, {"{pid}", Field::Pid},         {"{tid}", Field::Tid}};
    for (const auto &known : kFields) {
        const std::size_t length = std::strlen(known.text);
        if (std::strncmp(at, known.text, length) == 0) {
            field = known.field;
            return length;
        }
    }
    field = Field::None;
    return 0;
}

bool fillPattern(TextBuffer *out, const char *pattern, const DumpNameFields *fields)
{
    for (const char *at = pattern; *at;) {
        if (*at == '/')
            return false;
        if (*at == '}')
            return false;
        if (*at != '{') {
            if (out)
                out->character(*at);
            ++at;
            continue;
        }
        Field field;
        const std::size_t length = readField(at, field);
        if (length == 0)
            return false;
        at += length;
        if (!out)
            continue;
        const LocalTime &t = fields->time;
        switch (field) {
        case Field::Name:
            out->text(fields->name);
            break;
        case Field::Version:
            out->text(fields->version);
            break;
        case Field::Date:
            out->decimal(t.year, 4);
            out->decimal(t.month, 2);
            out->decimal(t.day, 2);
            break;
        case Field::Time:
            out->decimal(t.hour, 2);
            out->decimal(t.minute, 2);
            out->decimal(t.second, 2);
            break;
        case Field::Pid:
            out->decimal(fields->pid);
            break;
        case Field::Tid:
            out->decimal(fields->tid);
            break;
        case Field::None:
            return false;
        }
    }
    return true;
}

} // namespace

bool isValidDumpNamePattern(const char *pattern)
{
    if (!pattern || !*pattern || std::strcmp(pattern, ".") == 0 || std::strcmp(pattern, "..") == 0)
        return false;
    return fillPattern(nullptr, pattern, nullptr);
}

bool formatDumpName(char *out, std::size_t capacity, const char *pattern,
                    const DumpNameFields &fields)
{
    if (!isValidDumpNamePattern(pattern) || capacity == 0)
        return false;
    TextBuffer text(out, capacity);
    if (!fillPattern(&text, pattern, &fields) || text.cut())
        return false;
    return true;
}

} // namespace crash
