#include "errorbox.h"

#include "installerlog.h"
#include "prompt.h"

#include <cstring>

namespace updater {

std::string errorBoxText(const std::string &what, int code)
{
    char buffer[256];
    const char *message = strerror_r(code, buffer, sizeof buffer);
    if (!message || !*message)
        message = "(Unknown error)";
    return what + ", error code: " + std::to_string(code) + "\nError message: " + message;
}

void showErrorBox(InstallerLog *log, Prompt &prompt, const std::string &what, int code)
{
    const std::string text = errorBoxText(what, code);
    if (log) {
        // One log line per line of the box, so that the log keeps its line structure.
        std::string::size_type start = 0;
        std::string prefix = std::string(kBoxTitle) + " ";
        while (start <= text.size()) {
            const auto end = text.find('\n', start);
            log->write(prefix + text.substr(start, end - start));
            prefix.clear();
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    prompt.errorBox(kBoxTitle, text);
}

} // namespace updater
