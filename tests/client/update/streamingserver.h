#pragma once

#include <QByteArray>
#include <QTcpServer>

#include <functional>

// How the streaming server answers every request.
struct StreamPlan
{
    // The body is this pattern repeated until totalBytes have gone (the pattern itself when
    // totalBytes is -1).
    QByteArray pattern;
    qint64 totalBytes = -1;
    // Content-Length; -1 announces none, so that the closed connection ends the body.
    qint64 announcedBytes = -1;
    // After this many body bytes the server waits until mayGoOn() holds (polled).
    qint64 holdAfter = -1;
    std::function<bool()> mayGoOn;
    // Bytes per block and the pause before each further block: a slow but steady server.
    int blockBytes = 64 * 1024;
    int blockIntervalMs = 0;
};

// An HTTP server on 127.0.0.1 that sends its answer block by block, as the connection takes it,
// and keeps no more than a few blocks of it in memory: for downloads that are large, cut off
// half-way (more announced than sent), held back or slow. The classroom stand-in always sends
// whole answers at once.
class StreamingServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit StreamingServer(StreamPlan plan, QObject *parent = nullptr);
    QString url() const;

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    StreamPlan m_plan;
};
