#include "procmaps.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace crash {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool readHex(const char *&at, const char *end, std::uint64_t &value)
{
    value = 0;
    const char *begin = at;
    for (int d; at < end && (d = hexDigit(*at)) >= 0; ++at)
        value = value * 16 + static_cast<std::uint64_t>(d);
    return at != begin;
}

bool readDecimal(const char *&at, const char *end, std::uint64_t &value)
{
    value = 0;
    const char *begin = at;
    for (; at < end && *at >= '0' && *at <= '9'; ++at)
        value = value * 10 + static_cast<std::uint64_t>(*at - '0');
    return at != begin;
}

bool expect(const char *&at, const char *end, char c)
{
    if (at >= end || *at != c)
        return false;
    ++at;
    return true;
}

void skipBlanks(const char *&at, const char *end)
{
    while (at < end && *at == ' ')
        ++at;
}

// "start-end perms offset major:minor inode   path"
bool parseLine(const char *at, const char *end, Mapping &m)
{
    std::uint64_t start, stop, offset, major, minor, inode;
    if (!readHex(at, end, start) || !expect(at, end, '-') || !readHex(at, end, stop) ||
        !expect(at, end, ' '))
        return false;
    if (end - at < 5)
        return false;
    m.readable = at[0] == 'r';
    m.writable = at[1] == 'w';
    m.executable = at[2] == 'x';
    at += 4;
    if (!expect(at, end, ' ') || !readHex(at, end, offset) || !expect(at, end, ' ') ||
        !readHex(at, end, major) || !expect(at, end, ':') || !readHex(at, end, minor) ||
        !expect(at, end, ' ') || !readDecimal(at, end, inode))
        return false;
    skipBlanks(at, end);
    m.start = static_cast<std::uintptr_t>(start);
    m.end = static_cast<std::uintptr_t>(stop);
    m.offset = offset;
    m.deviceMajor = static_cast<std::uint32_t>(major);
    m.deviceMinor = static_cast<std::uint32_t>(minor);
    m.inode = inode;
    m.path = at;
    m.pathLength = static_cast<std::size_t>(end - at);
    return m.start < m.end;
}

} // namespace

bool MappingReader::next(Mapping &mapping)
{
    while (m_at < m_end) {
        const char *lineEnd = m_at;
        while (lineEnd < m_end && *lineEnd != '\n' && *lineEnd != '\0')
            ++lineEnd;
        const char *line = m_at;
        m_at = lineEnd < m_end ? lineEnd + 1 : m_end;
        if (parseLine(line, lineEnd, mapping))
            return true;
    }
    return false;
}

std::size_t readProcFile(const char *path, char *buffer, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        buffer[0] = '\0';
        return 0;
    }
    std::size_t length = 0;
    while (length + 1 < capacity) {
        const ssize_t n = read(fd, buffer + length, capacity - 1 - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length += static_cast<std::size_t>(n);
    }
    close(fd);
    // A cut /proc text ends in the middle of a line; drop that line.
    if (length + 1 >= capacity) {
        while (length > 0 && buffer[length - 1] != '\n')
            --length;
    }
    buffer[length] = '\0';
    return length;
}

bool findMapping(const char *maps, std::size_t length, std::uintptr_t address, Mapping &found)
{
    MappingReader reader(maps, length);
    Mapping m;
    while (reader.next(m)) {
        if (address >= m.start && address < m.end) {
            found = m;
            return true;
        }
    }
    return false;
}

bool findStackRange(const char *maps, std::size_t length, std::uintptr_t stackPointer,
                    std::uintptr_t startOfArguments, std::uintptr_t &begin, std::uintptr_t &end)
{
    constexpr std::uintptr_t kRedZone = 128;
    constexpr std::uintptr_t kGuardReach = 1024 * 1024;
    MappingReader reader(maps, length);
    Mapping m;
    Mapping best;
    bool found = false;
    while (reader.next(m)) {
        if (!m.readable || !m.writable)
            continue;
        if (stackPointer >= m.start && stackPointer < m.end) {
            best = m;
            found = true;
            break;
        }
        if (m.start > stackPointer && m.start - stackPointer <= kGuardReach &&
            (!found || m.start < best.start)) {
            best = m;
            found = true;
        }
    }
    if (!found)
        return false;
    begin = stackPointer - kRedZone;
    if (begin < best.start || begin > stackPointer)
        begin = best.start;
    end = best.end;
    if (startOfArguments > begin && startOfArguments < end)
        end = startOfArguments;
    return begin < end;
}

std::uintptr_t startOfProcessArguments()
{
    char stat[4096];
    const std::size_t length = readProcFile("/proc/self/stat", stat, sizeof stat);
    // The command name in parentheses may hold blanks and parentheses itself; the fields that
    // count start after the last ')'. startstack is field 28.
    const char *at = nullptr;
    for (std::size_t i = 0; i < length; ++i)
        if (stat[i] == ')')
            at = stat + i + 1;
    if (!at)
        return 0;
    const char *end = stat + length;
    for (int field = 0; field < 25; ++field) {
        while (at < end && *at == ' ')
            ++at;
        while (at < end && *at != ' ')
            ++at;
    }
    while (at < end && *at == ' ')
        ++at;
    std::uint64_t value = 0;
    if (!readDecimal(at, end, value))
        return 0;
    return static_cast<std::uintptr_t>(value);
}

} // namespace crash
