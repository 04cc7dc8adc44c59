#include "ownpath.h"

#include <programnames.h>

#include <strings.h>

namespace updater {

OwnPathResult checkOwnPath(const std::string &ownPath)
{
    const std::string name = programnames::kUpdater;
    if (ownPath.size() <= name.size())
        return {OwnPathCheck::TooShort, {}};
    const size_t cut = ownPath.size() - name.size();
    if (strcasecmp(ownPath.c_str() + cut, name.c_str()) != 0 || ownPath[cut - 1] != '/')
        return {OwnPathCheck::BadName, {}};
    return {OwnPathCheck::Ok, ownPath.substr(0, cut)};
}

} // namespace updater
