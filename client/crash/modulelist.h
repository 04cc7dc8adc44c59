#pragma once

#include "crashhandler.h"

namespace crash {
struct LoadedModule;
class TextBuffer;
} // namespace crash

// One module's block of a report's module list: path, base, size, the file's time, and the
// version numbers (an ELF file carries none, so they read 0). Async-signal-safe.
void appendModuleBlock(crash::TextBuffer &text, const crash::LoadedModule &module);

// The file's last change in local time; 1 January 1601 00:00:00 when there is no such file.
crash::LocalTime fileLocalTime(const char *path);
