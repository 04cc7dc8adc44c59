#pragma once

#include <string>

namespace updater {

enum class OwnPathCheck
{
    Ok,
    TooShort,
    BadName
};

struct OwnPathResult
{
    OwnPathCheck check = OwnPathCheck::TooShort;
    std::string exeDir; // the folder with its closing separator, when the check passed
};

// The installer's path must end in a separator followed by its file name (in any case): a file
// that merely ends in the same letters ("MyUpdater") would point the update at the wrong folder.
OwnPathResult checkOwnPath(const std::string &ownPath);

} // namespace updater
