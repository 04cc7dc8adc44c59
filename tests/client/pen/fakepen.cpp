#include "fakepen.h"

#include "programnames.h"

#include <dlfcn.h>
#include <string>

namespace {

template <typename Function> void bind(void *handle, const char *name, Function &out)
{
    out = handle ? reinterpret_cast<Function>(::dlsym(handle, name)) : nullptr;
}

} // namespace

FakePen::FakePen(const char *folder)
{
    const std::string path = std::string(folder) + programnames::kPenLibrary;
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    bind(handle, "fakePenSetResults", setResultsFn);
    bind(handle, "fakePenCalls", callsFn);
    bind(handle, "fakePenSendPoints", sendPointsFn);
    bind(handle, "fakePenReportConnection", reportConnectionFn);
    if (!setResultsFn || !callsFn || !sendPointsFn || !reportConnectionFn) {
        if (handle)
            ::dlclose(handle);
        handle = nullptr;
    }
}

FakePen::~FakePen()
{
    if (handle)
        ::dlclose(handle);
}

void FakePen::setResults(int openPort, int connectDevice)
{
    setResultsFn(openPort, connectDevice);
}

QStringList FakePen::calls() const
{
    char text[4096];
    callsFn(text, sizeof text);
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void FakePen::sendPoints(const std::vector<int> &triples)
{
    sendPointsFn(triples.data(), static_cast<int>(triples.size() / 3));
}

void FakePen::reportConnection()
{
    reportConnectionFn();
}
