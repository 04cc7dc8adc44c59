#include "installer.h"

#include "copyrun.h"
#include "crashhook.h"
#include "installerlog.h"
#include "interruptedrun.h"
#include "ownpath.h"
#include "programnames.h"
#include "prompt.h"
#include "restartmode.h"
#include "updatelock.h"

#include <processlist.h>
#include <processterminate.h>
#include <programstart.h>

#include <chrono>
#include <csignal>
#include <exception>
#include <unistd.h>

namespace updater {

namespace {

// How long a second installer waits for the first to finish with the same folder.
constexpr std::chrono::seconds kLockWait{5};

// The folder the running installer lives in, with its closing separator: the folder of the path it
// was started by, or of its executable when it was found by a search.
std::string installerFolder(const char *argv0)
{
    std::string path = argv0 ? argv0 : "";
    if (path.find('/') == std::string::npos)
        path = processes::processExecutable(getpid());
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The crash hook closes the log only while the log exists.
class CrashLogScope
{
public:
    explicit CrashLogScope(InstallerLog &log) { setCrashLog(&log); }
    ~CrashLogScope() { setCrashLog(nullptr); }
    CrashLogScope(const CrashLogScope &) = delete;
    CrashLogScope &operator=(const CrashLogScope &) = delete;
};

void run(int argc, char **argv)
{
    // A closed pipe or terminal must not end the installer half way through an update.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);

    TerminalPrompt prompt;
    InstallerLog log(prompt);
    const std::string ownFolder = installerFolder(argc > 0 ? argv[0] : nullptr);
    log.open(ownFolder);
    const CrashLogScope crashLogScope(log);
    installCrashHook();

    log.write("Updaters started..");

    RunPlan plan;
    std::string targetDir;
    UpdateLock lock;
    if (argc < 2) {
        log.write("Error: No command line arguments!");
        plan = planRun({});
    } else {
        plan = planRun(std::vector<std::string>(argv + 1, argv + argc));
        const std::string ownPath = argv[0];
        const OwnPathResult own = checkOwnPath(ownPath);
        UpdatePaths paths;
        paths.targetDir = own.exeDir;
        paths.readyFolder = plan.folderPrefix + paths.readyFolder;
        paths.updatesFolder = plan.folderPrefix + paths.updatesFolder;
        paths.ownPath = ownPath;
        paths.ownFile = identityOf("/proc/self/exe");
        paths.handOverProgram = plan.program;
        // Before anything is ended or touched: the installer already at work on this folder
        // has ended the program and will start it again. A folder that cannot be written holds
        // no lock, nor any update to race on.
        if (own.check == OwnPathCheck::Ok &&
            lock.acquire(paths.updatesPath(), kLockWait) == UpdateLock::Result::HeldByAnother) {
            log.write("Error: another installer is updating '" + paths.targetDir + "', quitting..");
            return;
        }
        for (const std::string &name : plan.toTerminate)
            processes::killProcessInFolder(name, ownFolder);
        if (plan.openLogAgain)
            log.open(ownFolder);

        log.write("Exe name is: " + ownPath);
        if (own.check == OwnPathCheck::TooShort) {
            log.write("Error: short exe name!");
        } else if (own.check == OwnPathCheck::BadName) {
            log.write("Error: bad exe name!");
        } else {
            log.write("Exe dir is: " + own.exeDir);
            targetDir = own.exeDir;
            log.write("Update to: " + targetDir);
            FileOps files;
            CopyRunServices services{log, prompt, files, RetryPolicy{}};
            // Whatever the mode: a run cut short is finished or undone first.
            if (finishInterruptedRun(paths, services) == Recovery::Stuck) {
                // The client hands over to the installer whenever it finds the journal: started
                // again now, it would come straight back here, for ever. The user's next start
                // of the client tries again.
                if (plan.program == programnames::kClient) {
                    log.write("Error: the folder is left half updated, not starting " +
                              plan.program + "..");
                    log.close();
                    return;
                }
            } else if (plan.update) {
                runUpdate(paths, services);
            }
        }
    }

    const int error =
        processes::startProgram(targetDir + plan.program, splitParameters(plan.parameters));
    if (error != 0)
        log.write("Executed " + plan.program + " failed..");
    log.write("Executed " + plan.program + ", closing log and quiting..");
    log.close();
}

} // namespace

int runInstaller(int argc, char **argv)
{
    try {
        run(argc, argv);
    } catch (const std::exception &) {
        // Nothing to report to: the exit code is 0 in every case.
    }
    return 0;
}

} // namespace updater
