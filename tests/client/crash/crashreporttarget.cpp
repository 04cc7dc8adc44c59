// A client-like program that installs the client's crash handling and then crashes the way its
// first argument says. A second argument "unknown-path" installs it as for a program whose own
// path could not be read.
#include "app/globals.h"
#include "classroomstandin.h"
#include "crash/exceptionfilters.h"
#include "update/liveupdate.h"

#include <QApplication>
#include <QThread>

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

// Sees every event of every thread; the first one that reaches the update worker on its own
// thread (the dialog's request to download) overflows that thread's stack.
class OverflowingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (QThread::currentThread() != thread() && receiver->inherits("AutoUpdate"))
            crashByStackOverflow(0);
        return QApplication::notify(receiver, event);
    }
};

// The client's update dialog, told by a stand-in server that an update is there: its worker's
// thread overflows its stack as the download request reaches it.
int overflowOnTheUpdateWorker(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    OverflowingApplication app(argc, argv);
    classroom::ClassroomStandin server;
    if (!server.start())
        return 5;
    serverBaseUrl = server.baseUrl();
    appDir = QCoreApplication::applicationDirPath() + "/";
    server.setResponse("/ClientAPI/getversion",
                       classroom::Response::json("{\"result\": 0, \"update\": \"" +
                                                 server.baseUrl().toUtf8() +
                                                 "/update.7z\", \"install\": \"\"}"));
    LiveUpdate dialog(QString(), nullptr);
    return app.exec() == 0 ? 6 : 7;
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
    else if (mode == "update-worker-stack-overflow")
        return overflowOnTheUpdateWorker(argc, argv);
    return 4;
}
