#pragma once

#include <string>
#include <vector>

namespace updater {

// Who started the installer, told by the beginning of its first argument.
enum class RestartMode
{
    Option = 0,
    ClientUrl = 1,
    PenProgram = 2,
    Classroom = 10
};

// What one run does, decided from its arguments alone.
struct RunPlan
{
    RestartMode mode = RestartMode::ClientUrl;
    std::vector<std::string> toTerminate; // in this order
    bool update = false;
    std::string folderPrefix;  // put before both update folder names
    std::string program;       // started again from the target folder
    std::string parameters;    // its parameter text
    bool openLogAgain = false; // "-debug": open the log when it is not open
};

// `arguments` are the command line's elements after the installer's own path.
RunPlan planRun(const std::vector<std::string> &arguments);

// The arguments in order, each after one blank once the text is not empty.
std::string joinArguments(const std::vector<std::string> &arguments);

// The parameter text as the started program's arguments: split at blanks, as a command line
// would be, so that a joined text comes back as the arguments it was made of.
std::vector<std::string> splitParameters(const std::string &parameters);

} // namespace updater
