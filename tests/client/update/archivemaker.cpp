#include "archivemaker.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace updatetest {

void make7z(const std::filesystem::path &archive, const std::filesystem::path &workDir,
            const std::string &options, const std::string &entries)
{
    // The tool reads file names through the locale: without a UTF-8 one it mangles them.
    const std::string command = "cd '" + workDir.string() +
                                "' && LC_ALL=C.UTF-8 7zz a -bso0 -bsp0 " + options + " '" +
                                archive.string() + "' " + entries;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void damageAt(const std::filesystem::path &file, const std::string &marker)
{
    std::string bytes = testsupport::readFile(file);
    const auto at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos) << marker << " not stored plainly in " << file;
    bytes[at + marker.size() / 2] ^= 0x20;
    testsupport::writeFile(file, bytes);
}

void damagePackedData(const std::filesystem::path &archive)
{
    std::string bytes = testsupport::readFile(archive);
    const std::size_t signatureHeader = 32;
    ASSERT_GT(bytes.size(), 4 * signatureHeader);
    bytes[signatureHeader + (bytes.size() - signatureHeader) / 4] ^= 0x55;
    testsupport::writeFile(archive, bytes);
}

} // namespace updatetest
