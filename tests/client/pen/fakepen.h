#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The test's own hold on a fake pen library in a folder: loaded before the handler loads it, so
// that the results are set in time and the records stay readable after the handler has gone.
class FakePen
{
public:
    explicit FakePen(const char *folder);
    ~FakePen();
    FakePen(const FakePen &) = delete;
    FakePen &operator=(const FakePen &) = delete;

    bool loaded() const { return handle != nullptr; }
    void setResults(int openPort, int connectDevice);
    QStringList calls() const;
    // Points as x, y, pressure triples in the device frame, from the library's thread.
    void sendPoints(const std::vector<int> &triples);
    void reportConnection();

private:
    void *handle = nullptr;
    void (*setResultsFn)(int, int) = nullptr;
    void (*callsFn)(char *, int) = nullptr;
    void (*sendPointsFn)(const int *, int) = nullptr;
    void (*reportConnectionFn)() = nullptr;
};
