#pragma once

#include <QString>

// What the client finds at start about an install that was cut short.
enum class InterruptedInstall
{
    // No journal: the folder holds one version.
    None,
    // The installer's journal is there: the folder may hold parts of two versions, which only the
    // installer can finish or undo.
    HandOver,
    // The journal is there, but this client was started by an installer that it had handed that
    // very state to: the installer could neither finish nor undo it. Handing over again would
    // only start the two programs in turn for ever.
    LeftByInstaller,
};

// Looks at the program folder `appDir` and at how this process was started. Called once, at
// start: it also clears the mark that the hand-over leaves in the environment.
InterruptedInstall interruptedInstallAtStart(const QString &appDir);

// Starts the installer of the program folder `appDir` with `updaterArgs` as its one argument and
// ends the client at once with exit code 0: no destructor, exit handler or event loop runs, and
// the update folders stay for the installer. Returns only when the installer cannot be started;
// the client then goes on as it was.
void handOverToInstaller(const QString &appDir, const QString &updaterArgs);

// The same for an interrupted install found at start, marking the installer's environment so that
// the client it starts again knows where it comes from.
void handOverInterruptedInstall(const QString &appDir, const QString &updaterArgs);
