#pragma once

#include "runservices.h"
#include "updatepaths.h"

namespace updater {

// What the installer found of an earlier run and did about it.
enum class Recovery
{
    NothingFound,
    Finished, // every file of the earlier run is in place
    Undone,   // the folder is as it was before the earlier run; its update tree is kept
    Stuck,    // neither could be done; the journal stays
    Discarded // a journal that could not be read was removed
};

// Finishes the run that a journal in the download folder records, or undoes it where it cannot be
// finished, and logs which. To be called before anything else touches the program folder.
Recovery finishInterruptedRun(const UpdatePaths &paths, CopyRunServices &services);

} // namespace updater
