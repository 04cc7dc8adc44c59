#include "librarylog.h"

#include <cstdio>

namespace scrivlo {

void logLine(const std::string &text)
{
    std::fprintf(stderr, "ScrivloController: %s\n", text.c_str());
}

} // namespace scrivlo
