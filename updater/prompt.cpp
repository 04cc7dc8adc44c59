#include "prompt.h"

#include <cctype>
#include <cstdio>
#include <unistd.h>

namespace updater {

void TerminalPrompt::errorBox(const std::string &title, const std::string &text)
{
    std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

Prompt::Answer TerminalPrompt::retryCancel(const std::string &title, const std::string &text)
{
    std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
    if (!isatty(STDIN_FILENO)) {
        std::fflush(stderr);
        return Answer::Cancel;
    }
    std::fprintf(stderr, "[R]etry or [C]ancel? ");
    std::fflush(stderr);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin))
        return Answer::Cancel;
    const char *c = line;
    while (*c == ' ' || *c == '\t')
        ++c;
    return std::tolower(static_cast<unsigned char>(*c)) == 'r' ? Answer::Retry : Answer::Cancel;
}

} // namespace updater
