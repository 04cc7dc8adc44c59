#include "restartmode.h"

#include <otherprogramnames.h>
#include <programnames.h>

#include <strings.h>

namespace updater {

namespace {

bool startsWithIgnoreCase(const std::string &text, const char *prefix)
{
    const size_t length = std::char_traits<char>::length(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

bool equalsIgnoreCase(const std::string &a, const char *b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

} // namespace

std::string joinArguments(const std::vector<std::string> &arguments)
{
    std::string joined;
    for (const std::string &argument : arguments) {
        if (!joined.empty())
            joined += ' ';
        joined += argument;
    }
    return joined;
}

std::vector<std::string> splitParameters(const std::string &parameters)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    for (const char c : parameters) {
        if (c == ' ' || c == '\t') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

RunPlan planRun(const std::vector<std::string> &arguments)
{
    RunPlan plan;
    if (arguments.empty()) {
        plan.program = programnames::kQuorvelClient;
        plan.parameters = "\x02updater";
        return plan;
    }
    const std::string &first = arguments.front();
    if (startsWithIgnoreCase(first, "quorvel:")) {
        plan.mode = RestartMode::ClientUrl;
        plan.toTerminate = {programnames::kQuorvelClient};
        plan.update = true;
        plan.program = programnames::kQuorvelClient;
        plan.parameters = joinArguments(arguments) + "\x02updater";
    } else if (startsWithIgnoreCase(first, "*Inkbay*")) {
        plan.mode = RestartMode::PenProgram;
        plan.toTerminate = {programnames::kInkbayProtector, programnames::kInkbay};
        plan.update = true;
        plan.folderPrefix = "i";
        plan.program = programnames::kInkbay;
    } else if (startsWithIgnoreCase(first, "davadazeda:")) {
        plan.mode = RestartMode::Classroom;
        plan.toTerminate = {programnames::kClient};
        plan.update = true;
        plan.program = programnames::kClient;
        plan.parameters = joinArguments(arguments);
    } else {
        plan.mode = RestartMode::Option;
        plan.folderPrefix = "t";
        plan.program = programnames::kQuorvel;
        plan.parameters = "-noupdate";
        for (const std::string &argument : arguments) {
            if (equalsIgnoreCase(argument, "-update")) {
                plan.update = true;
            } else if (equalsIgnoreCase(argument, "-autostart")) {
                plan.parameters += " -autostart";
            } else if (equalsIgnoreCase(argument, "-debug")) {
                plan.parameters += " -debug";
                plan.openLogAgain = true;
            }
        }
    }
    return plan;
}

} // namespace updater
