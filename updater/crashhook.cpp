#include "crashhook.h"

#include "installerlog.h"
#include "ownpath.h"

#include <crashhandler.h>
#include <processlist.h>
#include <programnames.h>

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace updater {

namespace {

constexpr const char kVersion[] = "0.1.0";
constexpr const char kUserFolderName[] = "Quorvel Desktop";

std::atomic<InstallerLog *> crashLog{nullptr};

void closeLogAtCrash(const crash::CrashContext &, void *)
{
    if (InstallerLog *log = crashLog.load()) {
        const int fd = log->descriptor();
        if (fd >= 0)
            close(fd);
    }
}

// The per-user data folder: XDG_DATA_HOME, else ~/.local/share.
std::string userDataFolder()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/')
        return data;
    const char *home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.local/share";
    return {};
}

} // namespace

void setCrashLog(InstallerLog *log)
{
    crashLog.store(log);
}

void installCrashHook()
{
    crash::Options options;
    options.programName = programnames::kUpdater;
    options.version = kVersion;
    // The folder of the executable itself, when it carries the installer's name.
    const OwnPathResult module = checkOwnPath(processes::processExecutable(getpid()));
    if (module.check == OwnPathCheck::Ok)
        options.dumpFolders.push_back(module.exeDir + "tdumps");
    const std::string user = userDataFolder();
    if (!user.empty())
        options.dumpFolders.push_back(user + "/" + kUserFolderName + "/tdumps");
    options.includeDataSegments = true;
    options.beforeDump = closeLogAtCrash;
    if (!options.dumpFolders.empty())
        crash::install(options);
}

} // namespace updater
