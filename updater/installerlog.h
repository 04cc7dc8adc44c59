#pragma once

#include <ctime>
#include <string>

namespace updater {

class Prompt;

// The installer's log: one file of UTF-16 little-endian lines ending in CR LF, without a byte
// order mark. Every line reaches the file in one write before write() returns, so a crash or a
// kill leaves whole lines behind. A failed write shows an error box and ends the log for the run.
class InstallerLog
{
public:
    explicit InstallerLog(Prompt &prompt) : m_prompt(prompt) {}
    ~InstallerLog() { close(); }
    InstallerLog(const InstallerLog &) = delete;
    InstallerLog &operator=(const InstallerLog &) = delete;

    // Opens "Logs/<local time>_upd.txt" under `folder` (which ends in a separator or is empty)
    // unless a log is open already. A "Logs" folder that cannot be made means no log and no box.
    // While a log is open, no other log opens onto its file.
    void open(const std::string &folder, std::time_t now = std::time(nullptr));
    void write(const std::string &line);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // The descriptor, for a crash hook that must close the log before it writes its dump.
    int descriptor() const { return m_fd; }
    const std::string &fileName() const { return m_fileName; }

private:
    static constexpr int kMaxRunsPerSecond = 100;
    Prompt &m_prompt;
    int m_fd = -1;
    std::string m_fileName;
};

// "YYYYMMDD_HHMMSS_upd.txt" of the given local time; "YYYYMMDD_HHMMSS_<run>_upd.txt" for the
// second and later runs of one second that overlap.
std::string logFileName(const std::tm &local, int run = 1);

} // namespace updater
