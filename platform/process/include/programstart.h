#pragma once

#include <string>
#include <vector>

namespace processes {

// Starts `program` with `arguments` (argv[0] is `program` itself) and does not wait for it.
// A name without a folder is looked up in PATH. The child starts with every signal at its default
// action and none blocked, in a session of its own, and inherits only standard input, output and
// error. Returns 0 on
// success, else the error number of the failed start.
int startProgram(const std::string &program, const std::vector<std::string> &arguments);

} // namespace processes
