#pragma once

#include <fileops.h>
#include <prompt.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace updatertest {

// Answers from a script (Cancel once it runs out) and keeps what was shown.
class ScriptedPrompt : public updater::Prompt
{
public:
    struct Shown
    {
        std::string title;
        std::string text;
    };
    std::deque<Answer> answers;
    std::vector<Shown> errorBoxes;
    std::vector<Shown> questions;

    void errorBox(const std::string &title, const std::string &text) override;
    Answer retryCancel(const std::string &title, const std::string &text) override;
};

// The real file operations, of which chosen calls fail: each rule fails the calls of one
// operation whose path contains `pathPart`, `times` times (-1: for ever), with `error`.
class FailingFileOps : public updater::FileOps
{
public:
    enum class Op
    {
        List,
        ListNext,
        Stage,
        Swap
    };
    struct Rule
    {
        Op op;
        std::string pathPart;
        int times;
        int error;
    };
    std::vector<Rule> rules;
    std::map<Op, int> calls; // calls that matched a rule, failed or not

    updater::Listing listFolder(const std::string &folder) override;
    int stageFile(const std::string &source, const std::string &temporary,
                  const std::string &destination) override;
    int putInPlace(const std::string &staged, const std::string &destination) override;

private:
    int injected(Op op, const std::string &path);
};

// The lines of a log file (UTF-16LE with CR LF), as UTF-8.
std::vector<std::string> readLogLines(const std::filesystem::path &file);
// The one log file under folder/Logs.
std::filesystem::path onlyLogFile(const std::filesystem::path &folder);

// Every entry under a folder, links not followed: relative path -> kind, permission bits and
// content (or link target), for comparing a tree byte for byte.
std::map<std::string, std::string> snapshot(const std::filesystem::path &folder);

// Runs a program to its end; returns its wait status.
int runProgram(const std::string &program, const std::vector<std::string> &arguments);

bool waitFor(const std::function<bool()> &condition,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

// The records the stand-in program appended to started.txt in `folder`.
struct StandinRecord
{
    int pid = 0;
    std::vector<std::string> args;
    std::map<std::string, std::string> values;
};
std::vector<StandinRecord> readStandinRecords(const std::filesystem::path &folder);

// The stand-in program installed under `name` in `folder`.
std::filesystem::path installStandin(const std::filesystem::path &folder, const std::string &name);

} // namespace updatertest
