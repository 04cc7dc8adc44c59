#include "modulelist.h"

#include "modules.h"
#include "textbuffer.h"

#include <cstring>
#include <sys/stat.h>

namespace {

// Paths are written as the system gives them, up to this many bytes.
constexpr std::size_t kMaxPath = 1024;

void appendTwoDigits(crash::TextBuffer &text, int value)
{
    text.decimal(value, 2);
}

} // namespace

crash::LocalTime fileLocalTime(const char *path)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return crash::LocalTime{1601, 1, 1, 0, 0, 0};
    return crash::localTimeOf(static_cast<std::int64_t>(status.st_mtime));
}

void appendModuleBlock(crash::TextBuffer &text, const crash::LoadedModule &module)
{
    char path[kMaxPath + 1];
    const std::size_t length = module.pathLength < kMaxPath ? module.pathLength : kMaxPath;
    std::memcpy(path, module.path, length);
    path[length] = '\0';
    const crash::LocalTime time = fileLocalTime(path);
    const std::uint64_t base = module.base;

    text.text(path).text("\r\n\tBaseImage 0x");
    text.hex(base & 0xFFFFFFFFu, 8, false)
        .character(' ')
        .decimal(static_cast<std::int64_t>(base >> 32));
    text.text(" Size 0x").hex(module.end - module.base, 8, false);
    text.text("\r\n\tTimeStamp ");
    appendTwoDigits(text, time.month);
    text.character('/');
    appendTwoDigits(text, time.day);
    text.character('/').decimal(time.year, 4).character(' ');
    appendTwoDigits(text, time.hour);
    text.character(':');
    appendTwoDigits(text, time.minute);
    text.character(':');
    appendTwoDigits(text, time.second);
    text.text("\r\n\tFileVersion 0.0.0.0 Product Version 0.0.0.0\r\n\r\n");
}
