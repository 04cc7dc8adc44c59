#pragma once

namespace updater {

class InstallerLog;

// Installs the process's crash hook: a dump named "Updater-0.1.0-<date>-<time>-<pid>-<tid>.dmp"
// in "tdumps" beside the installer's executable, or, when that folder cannot be made, in
// "tdumps" of the per-user "Quorvel Desktop" data folder if that exists. The log (while `log`
// is set with setCrashLog) is closed first so that its lines are complete.
void installCrashHook();

// The log to close when a crash happens; null when there is none any more.
void setCrashLog(InstallerLog *log);

} // namespace updater
