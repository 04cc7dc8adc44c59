#pragma once

#include <string>

namespace testsupport {

// What a shell command writes, standard error included.
std::string runCommand(const std::string &command);

// Whether lldb is installed: the tests that open a dump in it skip without it.
bool haveLldb();

// lldb in batch mode, without the user's init file, with `arguments` as given to the shell; a
// hung lldb is cut off after two minutes.
std::string lldb(const std::string &arguments);

} // namespace testsupport
