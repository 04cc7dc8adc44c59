#include "stagingname.h"

#include <cstdint>
#include <cstdio>
#include <set>

namespace updater {

namespace {

// The longest file name the file systems here accept, in bytes.
constexpr size_t kNameMax = 255;
constexpr size_t kSuffixLength = sizeof kStagingSuffix - 1;

std::uint64_t fnv1a(const std::string &text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string hashedName(const std::string &name, int counter)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(name)));
    std::string staged = std::string(".~upd") + hex;
    if (counter > 0)
        staged += "-" + std::to_string(counter);
    return staged + kStagingSuffix;
}

} // namespace

bool looksStaged(const std::string &name)
{
    return name.size() >= kSuffixLength && name[0] == '.' &&
           name.compare(name.size() - kSuffixLength, kSuffixLength, kStagingSuffix) == 0;
}

std::vector<std::string> stagingNames(const std::vector<std::string> &names)
{
    std::vector<std::string> staged(names.size());
    std::set<std::string> taken;
    // The names that fit come first, so that a hashed name never takes the one another file's
    // plain staging name needs.
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i].size() + 1 + kSuffixLength <= kNameMax) {
            staged[i] = "." + names[i] + kStagingSuffix;
            taken.insert(staged[i]);
        }
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!staged[i].empty())
            continue;
        for (int counter = 0; staged[i].empty() || !taken.insert(staged[i]).second; ++counter)
            staged[i] = hashedName(names[i], counter);
    }
    return staged;
}

} // namespace updater
