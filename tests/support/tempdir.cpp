#include "tempdir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir(const std::string &prefix)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
    m_path = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so that nothing is left over.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

std::vector<std::string> listTree(const fs::path &root)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        names.push_back(entry.path().lexically_relative(root).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<fs::path> filesIn(const fs::path &folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec))
        files.push_back(entry.path());
    return files;
}

void writeFile(const fs::path &file, const std::string &content)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string readFile(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

fs::path buildProgramDir()
{
    return fs::path(AULARK_BUILD_PROGRAM_DIR);
}

ProgramFolder::ProgramFolder() : m_dir("aulark-program") {}

fs::path ProgramFolder::linkFromBuild(const std::string &fileName) const
{
    const fs::path target = m_dir / fileName;
    fs::create_symlink(buildProgramDir() / fileName, target);
    return target;
}

fs::path ProgramFolder::copyFromBuild(const std::string &fileName) const
{
    const fs::path target = m_dir / fileName;
    fs::copy_file(buildProgramDir() / fileName, target, fs::copy_options::overwrite_existing);
    return target;
}

} // namespace testsupport
