#pragma once

#include "crashhandler.h"

#include <cstddef>

namespace crash {

struct DumpNameFields
{
    const char *name;
    const char *version;
    LocalTime time;
    long pid;
    long tid;
};

// True when every "{...}" in the pattern is a known field and the pattern names a file in the
// folder (no '/', not empty, not "." or "..").
bool isValidDumpNamePattern(const char *pattern);

// Fills the pattern into `out` (NUL-terminated). Returns false when it does not fit or the
// pattern is not valid. Async-signal-safe.
bool formatDumpName(char *out, std::size_t capacity, const char *pattern,
                    const DumpNameFields &fields);

} // namespace crash
