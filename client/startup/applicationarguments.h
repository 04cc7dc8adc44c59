#pragma once

#include <QByteArray>

#include <vector>

// The argument count and array handed to the application object: copies of the command line
// with one more argument appended. The application object keeps a reference to the count and
// may take its own options out of the array, so this must outlive it; the copies are freed
// from here, never through the array, which may have been rearranged.
class ApplicationArguments
{
public:
    ApplicationArguments(int argc, char **argv, const QByteArray &extra);
    ApplicationArguments(const ApplicationArguments &) = delete;
    ApplicationArguments &operator=(const ApplicationArguments &) = delete;

    int &count() { return m_count; }
    char **values() { return m_values.data(); }

private:
    std::vector<QByteArray> m_copies;
    std::vector<char *> m_values;
    int m_count = 0;
};
