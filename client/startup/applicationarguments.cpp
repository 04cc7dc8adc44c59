#include "applicationarguments.h"

ApplicationArguments::ApplicationArguments(int argc, char **argv, const QByteArray &extra)
{
    m_copies.reserve(static_cast<size_t>(argc) + 1);
    for (int i = 0; i < argc; ++i)
        m_copies.emplace_back(argv[i]);
    m_copies.push_back(extra);
    for (QByteArray &copy : m_copies)
        m_values.push_back(copy.data());
    // argv[argc] is null by convention, and option parsers rely on it.
    m_values.push_back(nullptr);
    m_count = static_cast<int>(m_copies.size());
}
