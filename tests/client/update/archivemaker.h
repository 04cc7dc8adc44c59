#pragma once

#include <filesystem>
#include <string>

namespace updatetest {

// The settings update archives are made with.
inline const std::string kUpdateMethods = "-m0=BCJ2 -m1=LZMA -mf=off";

// Runs the 7-Zip command line in `workDir` to add `entries` (as written on its command line) to
// `archive`, with `options` before them. Fails the calling test when the tool fails.
void make7z(const std::filesystem::path &archive, const std::filesystem::path &workDir,
            const std::string &options = kUpdateMethods, const std::string &entries = ".");

// Overwrites one byte of `file` inside the first occurrence of `marker`.
void damageAt(const std::filesystem::path &file, const std::string &marker);
// Overwrites one byte of the packed data of a 7z archive, a quarter of the way into it, where it
// hits the coded data and not the header.
void damagePackedData(const std::filesystem::path &archive);

} // namespace updatetest
