#pragma once

#include "tempdir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace testsupport {

// The built client started as a user starts it, from its program folder with the arguments
// given; ended (terminated, killed if it will not go) when the test ends.
class ClientProcess
{
public:
    // extra: variables set for the client beyond the test's own environment.
    ClientProcess(const ProgramFolder &folder, const QStringList &arguments,
                  const QProcessEnvironment &extra = QProcessEnvironment());
    ~ClientProcess();
    ClientProcess(const ClientProcess &) = delete;
    ClientProcess &operator=(const ClientProcess &) = delete;

    bool running();
    qint64 pid() const { return m_process.processId(); }
    // The exit code, or -1 for a crash, -2 when it did not end within two minutes.
    int waitForExit();

private:
    QProcess m_process;
};

} // namespace testsupport
