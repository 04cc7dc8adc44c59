#include "interruptedrun.h"

#include "fileops.h"
#include "installerlog.h"
#include "journaledswap.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace updater {

Recovery finishInterruptedRun(const UpdatePaths &paths, CopyRunServices &services)
{
    InstallerLog &log = services.log;
    const std::string journalPath = paths.journalPath();
    // A journal still under its first name was never complete, and nothing was put in place.
    services.files.removeFile(journalPath + ".tmp");
    std::ifstream in(journalPath, std::ios::binary);
    if (!in)
        return Recovery::NothingFound;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::optional<Journal> journal = parseJournal(text);
    if (!journal) {
        log.write("Error: cannot read the journal '" + journalPath + "', removing it..");
        services.files.removeFile(journalPath);
        return Recovery::Discarded;
    }

    if (journal->staging) {
        // Nothing was put in place: what the run staged and created goes, and its update stays
        // for a new run.
        log.write("Found an interrupted update in '" + journalPath +
                  "' that had put nothing in place, undoing it..");
        for (const JournalEntry &entry : journal->entries) {
            if (entryIdentityOf(paths.targetDir + entry.staged).valid)
                services.files.removeFile(paths.targetDir + entry.staged);
        }
        for (auto it = journal->createdFolders.rbegin(); it != journal->createdFolders.rend(); ++it)
            services.files.removeEmptyFolder(paths.targetDir + *it);
        services.files.removeFile(journalPath);
        log.write("Interrupted update undone..");
        return Recovery::Undone;
    }
    const bool canFinish =
        std::none_of(journal->entries.begin(), journal->entries.end(), [&](const JournalEntry &e) {
            return entryState(e, paths) == EntryState::Neither;
        });
    SwapOutcome outcome;
    if (canFinish) {
        log.write("Found an interrupted update in '" + journalPath + "', finishing it..");
        outcome = completeJournaledRun(*journal, paths, services);
    } else {
        log.write("Found an interrupted update in '" + journalPath +
                  "' that cannot be finished, undoing it..");
        outcome = rollBackJournaledRun(*journal, paths, services);
    }
    switch (outcome) {
    case SwapOutcome::Installed:
        log.write("Interrupted update finished..");
        return Recovery::Finished;
    case SwapOutcome::RolledBack:
        log.write("Interrupted update undone..");
        return Recovery::Undone;
    case SwapOutcome::Stuck:
        break;
    }
    return Recovery::Stuck;
}

} // namespace updater
