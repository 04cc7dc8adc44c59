#include "fixtures.h"

#include "tempdir.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

namespace fs = std::filesystem;

namespace updatertest {

void ScriptedPrompt::errorBox(const std::string &title, const std::string &text)
{
    errorBoxes.push_back({title, text});
}

updater::Prompt::Answer ScriptedPrompt::retryCancel(const std::string &title,
                                                    const std::string &text)
{
    questions.push_back({title, text});
    if (answers.empty())
        return Answer::Cancel;
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

int FailingFileOps::injected(Op op, const std::string &path)
{
    for (Rule &rule : rules) {
        if (rule.op != op || path.find(rule.pathPart) == std::string::npos)
            continue;
        ++calls[op];
        if (rule.times == 0)
            return 0;
        if (rule.times > 0)
            --rule.times;
        return rule.error;
    }
    return 0;
}

updater::Listing FailingFileOps::listFolder(const std::string &folder)
{
    if (const int error = injected(Op::List, folder)) {
        updater::Listing listing;
        listing.openError = error;
        return listing;
    }
    updater::Listing listing = FileOps::listFolder(folder);
    if (const int error = injected(Op::ListNext, folder)) {
        // The listing breaks off after its first entry.
        if (listing.entries.size() > 1)
            listing.entries.resize(1);
        listing.readError = error;
    }
    return listing;
}

int FailingFileOps::stageFile(const std::string &source, const std::string &temporary,
                              const std::string &destination)
{
    if (const int error = injected(Op::Stage, destination))
        return error;
    return FileOps::stageFile(source, temporary, destination);
}

int FailingFileOps::putInPlace(const std::string &staged, const std::string &destination)
{
    if (const int error = injected(Op::Swap, destination))
        return error;
    return FileOps::putInPlace(staged, destination);
}

std::vector<std::string> readLogLines(const fs::path &file)
{
    const std::string bytes = testsupport::readFile(file);
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            lines.push_back(line);
            line.clear();
            ++i;
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            line += static_cast<char>(c);
        } else if (c < 0x800) {
            line += static_cast<char>(0xC0 | (c >> 6));
            line += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            line += static_cast<char>(0xE0 | (c >> 12));
            line += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            line += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            line += static_cast<char>(0xF0 | (c >> 18));
            line += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            line += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            line += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (!line.empty())
        lines.push_back(line + "<no line end>");
    return lines;
}

fs::path onlyLogFile(const fs::path &folder)
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(folder / "Logs"))
        files.push_back(entry.path());
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? fs::path() : files.front();
}

std::map<std::string, std::string> snapshot(const fs::path &folder)
{
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
        const fs::path path = it->path();
        struct stat info
        {
        };
        lstat(path.c_str(), &info);
        const std::string mode = std::to_string(info.st_mode & 07777);
        std::string value;
        if (S_ISLNK(info.st_mode))
            value = "link:" + fs::read_symlink(path).string();
        else if (S_ISDIR(info.st_mode))
            value = "dir:" + mode;
        else if (S_ISREG(info.st_mode))
            value = "file:" + mode + ":" + testsupport::readFile(path);
        else
            value = "special:" + mode;
        entries[fs::relative(path, folder).string()] = value;
    }
    return entries;
}

int runProgram(const std::string &program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<StandinRecord> readStandinRecords(const fs::path &folder)
{
    std::vector<StandinRecord> records;
    std::ifstream in(folder / "started.txt");
    StandinRecord current;
    std::string line;
    while (std::getline(in, line)) {
        if (line == "end") {
            records.push_back(current);
            current = {};
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "pid")
            current.pid = std::stoi(value);
        else if (key == "arg")
            current.args.push_back(value);
        else
            current.values[key] = value;
    }
    return records;
}

fs::path installStandin(const fs::path &folder, const std::string &name)
{
    const fs::path target = folder / name;
    fs::copy_file(UPDATER_STANDIN, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    return target;
}

} // namespace updatertest
