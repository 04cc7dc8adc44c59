#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with all its content on destruction.
class TempDir
{
public:
    explicit TempDir(const std::string &prefix = "aulark-test");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path &file, const std::string &content);
std::string readFile(const std::filesystem::path &file);
// Every path below `root`, relative to it and sorted, for comparing whole trees. Links are
// listed, not followed.
std::vector<std::string> listTree(const std::filesystem::path &root);
// The entries directly in `folder`, in no order; none when it cannot be read.
std::vector<std::filesystem::path> filesIn(const std::filesystem::path &folder);

// The folder into which the build puts every deliverable (Aulark, Updater, the pen library).
std::filesystem::path buildProgramDir();

// A temporary program folder: the deliverables named in `programs` are linked into it from the
// build, so that a program started from here finds its folder as an installed one does.
class ProgramFolder
{
public:
    ProgramFolder();
    const std::filesystem::path &path() const { return m_dir.path(); }
    std::filesystem::path operator/(const std::string &name) const { return m_dir / name; }
    // Links a built program or library into the folder and returns its path in the folder.
    std::filesystem::path linkFromBuild(const std::string &fileName) const;
    // Copies it instead, for tests that replace or move the file.
    std::filesystem::path copyFromBuild(const std::string &fileName) const;

private:
    TempDir m_dir;
};

} // namespace testsupport
