#pragma once

#include <string>
#include <vector>

namespace updater {

// Every staging name begins with a dot and ends in this.
inline constexpr const char kStagingSuffix[] = ".~upd";

// Whether a file name has the form of a staging name: such an entry in an update could take the
// place of the staged copy of another file.
bool looksStaged(const std::string &name);

// The staging names, in one folder, of the files `names` of that folder: ".<name>.~upd" where that
// fits a file name, else a short name made from a hash of the name; all distinct. The same names
// in the same order always give the same staging names.
std::vector<std::string> stagingNames(const std::vector<std::string> &names);

} // namespace updater
