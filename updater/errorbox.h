#pragma once

#include <string>

namespace updater {

class InstallerLog;
class Prompt;

// "<what>, error code: <code>\nError message: <the system's text for code>".
std::string errorBoxText(const std::string &what, int code);

// Shows the error box for a failed system call and puts its text into the log when one is open
// (`log` may be null).
void showErrorBox(InstallerLog *log, Prompt &prompt, const std::string &what, int code);

} // namespace updater
