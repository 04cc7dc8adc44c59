#pragma once

#include <chrono>

namespace updater {

class FileOps;
class InstallerLog;
class Prompt;

// How long a file that cannot be written is tried before the user is asked.
struct RetryPolicy
{
    int tries = 30;
    std::chrono::milliseconds pause{100};
};

// What the copy run works with besides its paths.
struct CopyRunServices
{
    InstallerLog &log;
    Prompt &prompt;
    FileOps &files;
    RetryPolicy retry;
};

} // namespace updater
