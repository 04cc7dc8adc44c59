#include "reportfilename.h"

#include "textbuffer.h"

#include <filesystem>

std::string reportFolderFor(const std::string &programPath)
{
    if (programPath.empty())
        return std::string();
    // Whatever the program file is called, its reports go beside it.
    const std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
    std::string text = folder.string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text + "tdumps/";
}

bool formatReportFileName(char *out, std::size_t capacity, const char *folder, const char *module,
                          const char *version, const crash::LocalTime &time)
{
    crash::TextBuffer name(out, capacity);
    name.text(folder).text(module).character('-').text(version).character('-');
    name.decimal(time.year, 4).decimal(time.month, 2).decimal(time.day, 2).character('-');
    name.decimal(time.hour, 2).decimal(time.minute, 2).decimal(time.second, 2).text(".rpt");
    return !name.cut();
}
