// The classroom stand-in as a program of its own, for running the client by hand (scripts/run).
// Prints its base address as the first line, then one line per request, until SIGINT or SIGTERM.
#include "classroomstandin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local classroom server for the client."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0: a free one)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption httpsOption(
        QStringLiteral("https"),
        QStringLiteral("Serve HTTPS with a fresh self-signed certificate."));
    parser.addOption(portOption);
    parser.addOption(httpsOption);
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "classroom-standin: bad port\n");
        return 2;
    }

    classroom::ClassroomStandin standin;
    QTemporaryDir certificateDir;
    bool started = false;
    if (parser.isSet(httpsOption)) {
        classroom::SelfSignedCertificate certificate;
        started =
            certificateDir.isValid() && certificate.create(certificateDir.path()) &&
            standin.startHttps(certificate.certificateFile, certificate.keyFile, quint16(port));
    } else {
        started = standin.start(quint16(port));
    }
    if (!started) {
        std::fprintf(stderr, "classroom-standin: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("%s\n", qPrintable(standin.baseUrl()));
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    int printed = 0;
    QTimer requestLog;
    QObject::connect(&requestLog, &QTimer::timeout, [&] {
        const auto requests = standin.requests();
        for (; printed < requests.size(); ++printed) {
            const auto &r = requests[printed];
            std::printf("%s %s%s%s\n", r.method.constData(), qPrintable(r.path),
                        r.query.isEmpty() ? "" : "?", qPrintable(r.query));
        }
        std::fflush(stdout);
    });
    requestLog.start(100);
    return app.exec();
}
