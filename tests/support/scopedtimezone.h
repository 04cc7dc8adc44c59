#pragma once

#include <optional>
#include <string>

namespace testsupport {

// Sets the process's time zone (TZ) for as long as it lives, then puts back the one before, so
// that a zone chosen by one test never leaks into the next one in the same process.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::optional<std::string> m_previous;
};

} // namespace testsupport
