#include "lldbrunner.h"

#include <cstdio>

namespace testsupport {

std::string runCommand(const std::string &command)
{
    std::string output;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

bool haveLldb()
{
    return runCommand("command -v lldb").find("lldb") != std::string::npos;
}

std::string lldb(const std::string &arguments)
{
    return runCommand("timeout 120 lldb --no-lldbinit --batch " + arguments);
}

} // namespace testsupport
