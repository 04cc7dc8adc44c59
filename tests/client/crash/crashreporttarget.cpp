// A client-like program that installs the client's crash handling and then crashes the way its
// first argument says. A second argument "unknown-path" installs it as for a program whose own
// path could not be read.
#include "crash/exceptionfilters.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

volatile int g_zero = 0;
int *volatile g_null = nullptr;

[[gnu::noinline]] void crashByNullWrite()
{
    *g_null = 42;
}

[[gnu::noinline]] int crashByDivision()
{
    return 7 / g_zero;
}

[[gnu::noinline]] void crashByAbort()
{
    std::abort();
}

[[gnu::noinline]] void crashByUncaughtException()
{
    throw std::runtime_error("thrown for the crash report");
}

[[gnu::noinline]] int crashByStackOverflow(int depth)
{
    volatile char pad[1024];
    pad[0] = static_cast<char>(depth);
    // Never reached before the stack runs out; it keeps the recursion a recursion.
    if (depth == INT32_MAX)
        return pad[0];
    return crashByStackOverflow(depth + 1) + pad[0];
}

// The comparator faults while the C library's sort, built without frame pointers, is between
// it and this program's own callers.
[[gnu::noinline]] int compareByNullWrite(const void *a, const void *b)
{
    *g_null = *static_cast<const int *>(a) - *static_cast<const int *>(b);
    return 0;
}

[[gnu::noinline]] void crashInsideQsort()
{
    int values[] = {3, 1, 2};
    std::qsort(values, 3, sizeof values[0], compareByNullWrite);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    if (argc > 2 && std::strcmp(argv[2], "unknown-path") == 0) {
        if (!installExceptionFiltersFor(std::string()))
            return 3;
    } else {
        installExceptionFilters();
    }
    const std::string mode = argv[1];
    if (mode == "null-write")
        crashByNullWrite();
    else if (mode == "division")
        return crashByDivision();
    else if (mode == "abort")
        crashByAbort();
    else if (mode == "uncaught-exception")
        crashByUncaughtException();
    else if (mode == "stack-overflow")
        return crashByStackOverflow(0);
    else if (mode == "fault-in-qsort")
        crashInsideQsort();
    return 4;
}
