#pragma once

#include <string>

// Installs the client's crash handling for the whole process: a fatal signal or a C++ exception
// that nothing catches leaves, in "tdumps" beside the program file, a text report
// "Aulark-<version>-YYYYMMDD-HHMMSS.rpt", the minidump "<report>.dmp" and, when a report of that
// name was there already, that earlier report as "<report>.rotate". The process then ends by its
// signal. Call first thing in main, before any other thread exists.
void installExceptionFilters();

// The same for a program file found elsewhere; an empty path stands for one that could not be
// read: the dump then goes to ".dmp" in the working folder and the report to standard output.
// False when the handler could not be installed.
bool installExceptionFiltersFor(const std::string &programPath);
