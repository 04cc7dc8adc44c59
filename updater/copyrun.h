#pragma once

#include "runservices.h"
#include "updatepaths.h"

namespace updater {

// Installs the unpacked update of paths.readyFolder over paths.targetDir as one transaction: the
// whole tree is first staged beside its destinations, recorded in a journal and made durable,
// then swapped into place with the client program last, and only then are the old files removed.
// A failure or a Cancel leaves the program folder as it was. Returns true on success or when
// there is nothing to install.
bool runUpdate(const UpdatePaths &paths, CopyRunServices &services);

// Removes the ready folder with everything in it and the download folder when it is empty.
void clearUpdateFolder(const UpdatePaths &paths, CopyRunServices &services);

} // namespace updater
