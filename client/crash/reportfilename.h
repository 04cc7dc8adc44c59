#pragma once

#include "crashhandler.h"

#include <cstddef>
#include <string>

// Install time: the folder that takes the crash reports, "tdumps" beside the program file, as
// "<folder>/tdumps/"; empty when the program's path is unknown.
std::string reportFolderFor(const std::string &programPath);

// Crash time: "<folder><module>-<version>-YYYYMMDD-HHMMSS.rpt" in local time. False when it does
// not fit. Async-signal-safe.
bool formatReportFileName(char *out, std::size_t capacity, const char *folder, const char *module,
                          const char *version, const crash::LocalTime &time);
