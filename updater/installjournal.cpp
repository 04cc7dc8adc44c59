#include "installjournal.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace updater {

namespace {

constexpr const char kHeader[] = "install journal 1";
constexpr const char kStaging[] = "staging";
constexpr const char kSwapping[] = "swapping";

std::string escape(const std::string &path)
{
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || c == '%') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            text += code;
        } else {
            text += c;
        }
    }
    return text;
}

bool unescape(const std::string &text, std::string &path)
{
    path.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            path += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        char *end = nullptr;
        const std::string hex = text.substr(i + 1, 2);
        const long byte = std::strtol(hex.c_str(), &end, 16);
        if (*end != '\0')
            return false;
        path += static_cast<char>(byte);
        i += 2;
    }
    return !path.empty();
}

bool parseInode(const std::string &text, ino_t &inode)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    inode = static_cast<ino_t>(std::strtoull(text.c_str(), nullptr, 10));
    return true;
}

} // namespace

std::string formatJournal(const Journal &journal)
{
    std::string text =
        std::string(kHeader) + "\n" + (journal.staging ? kStaging : kSwapping) + "\n";
    for (const std::string &folder : journal.createdFolders)
        text += "folder " + escape(folder) + "\n";
    for (const JournalEntry &entry : journal.entries) {
        const bool knownNew = !journal.staging;
        const bool knownOld = !journal.staging && entry.hadOld;
        text += "entry " + (knownNew ? std::to_string(entry.newInode) : std::string("-")) + " " +
                (knownOld ? std::to_string(entry.oldInode) : std::string("-")) + " " +
                escape(entry.destination) + " " + escape(entry.staged) + "\n";
    }
    return text + "end\n";
}

std::optional<Journal> parseJournal(const std::string &text)
{
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        return std::nullopt;
    Journal journal;
    if (!std::getline(lines, line) || (line != kStaging && line != kSwapping))
        return std::nullopt;
    journal.staging = line == kStaging;
    while (std::getline(lines, line)) {
        if (line == "end")
            return lines.peek() == std::char_traits<char>::eof() ? std::optional(journal)
                                                                 : std::nullopt;
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "folder") {
            std::string folder, path;
            if (!(fields >> folder) || !fields.eof() || !unescape(folder, path))
                return std::nullopt;
            journal.createdFolders.push_back(path);
            continue;
        }
        JournalEntry entry;
        std::string newInode, oldInode, destination, staged;
        if (kind != "entry" || !(fields >> newInode >> oldInode >> destination >> staged) ||
            !fields.eof() || !unescape(destination, entry.destination) ||
            !unescape(staged, entry.staged))
            return std::nullopt;
        if (journal.staging) {
            if (newInode != "-" || oldInode != "-")
                return std::nullopt;
        } else {
            entry.hadOld = oldInode != "-";
            if (!parseInode(newInode, entry.newInode) ||
                (entry.hadOld && !parseInode(oldInode, entry.oldInode)))
                return std::nullopt;
        }
        journal.entries.push_back(entry);
    }
    return std::nullopt; // cut short: no end line
}

} // namespace updater
