#pragma once

namespace updater {

// The whole installer run: log, crash hook, mode, termination, own-path check, copy run, start of
// the mode's program. Returns the exit code, which is 0 whatever happened: the program that
// started the installer has ended and reads nothing back.
int runInstaller(int argc, char **argv);

} // namespace updater
