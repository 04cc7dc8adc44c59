#pragma once

#include <string>

namespace updater {

// The installer has no window: its error box and its Retry/Cancel question go through this, so
// that a terminal user can answer and tests can hand in answers.
class Prompt
{
public:
    enum class Answer
    {
        Retry,
        Cancel
    };

    virtual ~Prompt() = default;
    // Shows an error with an OK button only.
    virtual void errorBox(const std::string &title, const std::string &text) = 0;
    virtual Answer retryCancel(const std::string &title, const std::string &text) = 0;
};

// Writes to standard error; asks on the terminal when standard input is one, else answers Cancel
// (nobody is there to unlock a file).
class TerminalPrompt : public Prompt
{
public:
    void errorBox(const std::string &title, const std::string &text) override;
    Answer retryCancel(const std::string &title, const std::string &text) override;
};

// The title of every box the installer shows.
inline constexpr const char kBoxTitle[] = "Update error!";

} // namespace updater
