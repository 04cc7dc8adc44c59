#pragma once

#include "installjournal.h"
#include "runservices.h"
#include "updatepaths.h"

#include <string>
#include <vector>

namespace updater {

// Where one entry of a journal stands, told by the inodes under its two names.
enum class EntryState
{
    Staged,  // the new entry under its staged name, the old one (if any) in place
    InPlace, // the new entry in place
    Neither  // something else: the entry can no longer be put in place
};
EntryState entryState(const JournalEntry &entry, const UpdatePaths &paths);

// What became of a journaled run.
enum class SwapOutcome
{
    Installed,  // every entry in place, the old ones, the journal and the update folders removed
    RolledBack, // the folder as it was before the run; the update tree kept
    Stuck       // could not be taken either way; the journal stays for the next run
};

// Writes the journal of a run that has put nothing in place yet, in one step.
int writeStagingJournal(const Journal &journal, const UpdatePaths &paths, FileOps &files);

// Writes the journal of a run that has staged everything and makes it, and everything staged,
// durable before anything is put in place: once such a journal is found under its name, every
// staged entry it names is whole.
int writeSwappingJournal(const Journal &journal, const UpdatePaths &paths, FileOps &files);

// Puts the journal's entries in place in its order, passing over those in place already, and
// finishes the run. A swap that fails rolls the run back.
SwapOutcome completeJournaledRun(const Journal &journal, const UpdatePaths &paths,
                                 CopyRunServices &services);

// Swaps back every entry in place, in reverse order, and removes what the run staged and created,
// and the journal.
SwapOutcome rollBackJournaledRun(const Journal &journal, const UpdatePaths &paths,
                                 CopyRunServices &services);

// Writes out each file system that holds one of `folders`, once.
int syncFileSystems(const std::vector<std::string> &folders, FileOps &files);

} // namespace updater
