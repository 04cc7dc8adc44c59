#pragma once

#include <QString>

// True when the program folder `appDir` holds the installer's journal: an install was cut short
// and the folder may hold parts of two versions, which only the installer can finish or undo.
bool installInterrupted(const QString &appDir);

// Starts the installer of the program folder `appDir` with `updaterArgs` as its one argument and
// ends the client at once with exit code 0: no destructor, exit handler or event loop runs, and
// the update folders stay for the installer. Returns only when the installer cannot be started;
// the client then goes on as it was.
void handOverToInstaller(const QString &appDir, const QString &updaterArgs);
