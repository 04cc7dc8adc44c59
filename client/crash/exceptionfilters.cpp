#include "exceptionfilters.h"

#include "app/globals.h"
#include "crashhandler.h"
#include "crashreport.h"
#include "modulelist.h"
#include "modules.h"
#include "programnames.h"
#include "reportfilename.h"
#include "textbuffer.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReportCapacity = 49152;
constexpr std::size_t kTextCapacity = 256;
constexpr char kRotateSuffix[] = ".rotate";

// Everything the crash callbacks use, prepared at install; at crash time only this is touched.
struct FilterState
{
    char folder[PATH_MAX] = {}; // "<program folder>/tdumps/", or "" when the path is unknown
    char module[kTextCapacity] = {};
    char version[kTextCapacity] = {};
    // Built by the first crash; any later report of the process reuses it.
    char reportName[PATH_MAX] = {};
    bool reportNameBuilt = false;
    char rotateName[PATH_MAX + sizeof kRotateSuffix] = {};
    int reportFile = -1;
    char block[8192] = {};
    char text[kReportCapacity] = {};
};

FilterState g_filter;

void writeAll(int fd, const char *data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, std::strlen(text));
}

// Standard error stands in for the debugger's output: seen when the client runs from a terminal.
void toDebuggerOutput(const crash::TextBuffer &text)
{
    writeAll(STDERR_FILENO, text.data(), text.length());
}

std::uint64_t instructionPointer(const crash::CrashContext &crash)
{
    return crash.context ? static_cast<std::uint64_t>(crash.context->uc_mcontext.gregs[REG_RIP])
                         : 0;
}

const char *buildReportFileName(const crash::LocalTime &time)
{
    if (g_filter.reportNameBuilt)
        return g_filter.reportName;
    g_filter.reportNameBuilt = true;
    g_filter.reportName[0] = '\0';
    if (g_filter.folder[0] == '\0')
        return g_filter.reportName;
    // One level; when it cannot be made, opening the report fails and the text goes to stdout.
    mkdir(g_filter.folder, 0755);
    if (!formatReportFileName(g_filter.reportName, sizeof g_filter.reportName, g_filter.folder,
                              g_filter.module, g_filter.version, time))
        g_filter.reportName[0] = '\0';
    return g_filter.reportName;
}

// The earlier report of the same name is moved aside whole before the new one is started, so
// that it survives as ".rotate" even when the new report is cut short. When it cannot be moved,
// it stays where it is and the new report goes to standard output instead of over it.
int openReportFile(const char *name)
{
    crash::TextBuffer rotate(g_filter.rotateName, sizeof g_filter.rotateName);
    rotate.text(name).text(kRotateSuffix);
    if (!rotate.cut())
        rename(name, g_filter.rotateName);
    return open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
}

void writeModuleList(int fd, const crash::CrashContext &crash)
{
    writeText(fd, "Module List:\r\n");
    crash::TextBuffer block(g_filter.block, sizeof g_filter.block);
    crash::ModuleReader modules(crash.maps, crash.mapsLength);
    crash::LoadedModule module;
    while (modules.next(module)) {
        block.clear();
        appendModuleBlock(block, module);
        writeAll(fd, block.data(), block.length());
    }
}

// The report's first half, before the dump is written: the module list.
void startCrashReport(const char *name, const crash::CrashContext &crash)
{
    if (name[0] == '\0')
        return;
    g_filter.reportFile = openReportFile(name);
    if (g_filter.reportFile >= 0)
        writeModuleList(g_filter.reportFile, crash);
}

void reportCrash(const char *name, const crash::CrashContext &crash)
{
    crash::TextBuffer banner(g_filter.block, sizeof g_filter.block);
    banner.text("An unhandled exception has occurred.\r\n"
                "Information regarding the exception has been logged.\r\n"
                "Please contact your application vendor for further assistance.\r\n");
    toDebuggerOutput(banner);
    startCrashReport(name, crash);
}

// Runs before the dump is written.
void unhandledExceptionFilter(const crash::CrashContext &crash, void *)
{
    crash::TextBuffer line(g_filter.block, sizeof g_filter.block);
    line.text("Last exception handled code ").hex(crash.exception.code, 0, false);
    line.text(" addr ").hex(instructionPointer(crash), 0, false).character('\n');
    toDebuggerOutput(line);
    reportCrash(buildReportFileName(crash.time), crash);
}

DataSelectors currentDataSelectors()
{
    DataSelectors selectors;
#if defined(__x86_64__)
    // The kernel leaves them as the crashing code had them.
    asm volatile("mov %%ds, %0" : "=r"(selectors.ds));
    asm volatile("mov %%es, %0" : "=r"(selectors.es));
#endif
    return selectors;
}

// Runs once the dump is in place: the rest of the report.
void completeCrashReport(const crash::CrashContext &crash, void *)
{
    crash::TextBuffer text(g_filter.text, sizeof g_filter.text);
    composeCrashReport(text, crash, currentDataSelectors());
    if (g_filter.reportFile >= 0) {
        writeAll(g_filter.reportFile, text.data(), text.length());
        fsync(g_filter.reportFile);
        close(g_filter.reportFile);
        g_filter.reportFile = -1;
    } else {
        writeAll(STDOUT_FILENO, text.data(), text.length());
        writeAll(STDOUT_FILENO, "\n", 1);
    }
}

bool copyText(char *to, std::size_t capacity, const std::string &from)
{
    if (from.size() >= capacity)
        return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

std::string programFilePath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

} // namespace

bool installExceptionFiltersFor(const std::string &programPath)
{
    const std::string folder = reportFolderFor(programPath);
    if (!copyText(g_filter.folder, sizeof g_filter.folder, folder) ||
        !copyText(g_filter.module, sizeof g_filter.module, programnames::kClient) ||
        !copyText(g_filter.version, sizeof g_filter.version, appVersion.toStdString()))
        return false;

    crash::Options options;
    options.programName = programnames::kClient;
    options.version = appVersion.toStdString();
    if (!folder.empty()) {
        options.dumpFolders = {folder.substr(0, folder.size() - 1)};
        // The report's own name with ".dmp" appended.
        options.fileNamePattern = "{name}-{version}-{date}-{time}.rpt.dmp";
    } else {
        std::error_code error;
        options.dumpFolders = {std::filesystem::current_path(error).string()};
        options.fileNamePattern = ".dmp";
    }
    options.beforeDump = unhandledExceptionFilter;
    options.afterDump = completeCrashReport;
    return crash::install(options);
}

void installExceptionFilters()
{
    installExceptionFiltersFor(programFilePath());
}
