#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct TimedRun
{
    double seconds = 0;
    // The exit code, or -1 when the program ended by a signal.
    int exitCode = -1;
};

// Runs a program (looked up on PATH) with the test's environment, waits for it and says how long
// it took. Aborts when the program cannot be started: a benchmark without it measures nothing.
TimedRun runTimed(const std::vector<std::string> &command);

} // namespace testsupport
