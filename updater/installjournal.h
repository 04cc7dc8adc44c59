#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace updater {

// One entry of the update as it is put in place. Paths are relative to the target folder.
struct JournalEntry
{
    std::string destination;
    // Holds the new entry until its swap and the old one (when there was one) after it.
    std::string staged;
    // Which is which: the inodes of the staged entry and of the entry it replaces.
    ino_t newInode = 0;
    bool hadOld = false;
    ino_t oldInode = 0;
};

// What an install puts in place, written as soon as the run begins and removed once it is
// finished or undone, so that a run cut short can be told from the file system alone. While the
// run stages, it names the staging entries only; once all is staged and durable, the inodes
// under every name too.
struct Journal
{
    // Nothing is in place yet; the inodes are not known.
    bool staging = true;
    // Folders this run created, parents first: an undone run removes them again.
    std::vector<std::string> createdFolders;
    // In the order of the swaps.
    std::vector<JournalEntry> entries;
};

// Text lines: a header, "staging" or "swapping", "folder <path>" and "entry <new inode or -> <old
// inode or -> <destination> <staged>" lines, and "end". Bytes of a path that would end or split a
// line are written as %XX.
std::string formatJournal(const Journal &journal);
// Nothing for a text that is not a whole journal.
std::optional<Journal> parseJournal(const std::string &text);

} // namespace updater
