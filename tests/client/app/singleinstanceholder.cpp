// Holds the client's single-instance lock for a test: prints "locked" or "refused" (and, with
// --spawn, "child <pid>" of a program it started), then waits until its standard input closes.
#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QProcess>

#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool locked = singleInstanceLock();
    if (app.arguments().contains(QStringLiteral("--spawn"))) {
        QProcess child;
        child.setProgram(QStringLiteral("sleep"));
        child.setArguments({QStringLiteral("60")});
        child.setStandardInputFile(QProcess::nullDevice());
        child.setStandardOutputFile(QProcess::nullDevice());
        child.setStandardErrorFile(QProcess::nullDevice());
        qint64 pid = 0;
        child.startDetached(&pid);
        std::cout << "child " << pid << std::endl;
    }
    std::cout << (locked ? "locked" : "refused") << std::endl;
    std::string line;
    std::getline(std::cin, line);
    releaseSingleInstanceLock();
    return 0;
}
