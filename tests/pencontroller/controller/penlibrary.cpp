#include "penlibrary.h"

#include "programnames.h"
#include "tempdir.h"

#include <dlfcn.h>

PenLibrary::PenLibrary()
{
    m_handle = ::dlopen(path().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        return;
#define SCRIVLO_RESOLVE(name, type)                                                                \
    name = reinterpret_cast<type>(::dlsym(m_handle, #name));                                       \
    if (!name)                                                                                     \
        m_missing.push_back(#name);
    SCRIVLO_EXPORTS(SCRIVLO_RESOLVE)
#undef SCRIVLO_RESOLVE
}

PenLibrary::~PenLibrary()
{
    close();
}

bool PenLibrary::close()
{
    if (!m_handle)
        return true;
    const bool ok = ::dlclose(m_handle) == 0;
    m_handle = nullptr;
    return ok;
}

std::string PenLibrary::path()
{
    return (testsupport::buildProgramDir() / programnames::kPenLibrary).string();
}

std::vector<std::string> PenLibrary::exportNames()
{
    std::vector<std::string> names;
#define SCRIVLO_NAME(name, type) names.push_back(#name);
    SCRIVLO_EXPORTS(SCRIVLO_NAME)
#undef SCRIVLO_NAME
    return names;
}
