#include "streamingserver.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

// One answer on its way: sends the next block whenever the socket has taken the last ones.
class Answer : public QObject
{
public:
    Answer(QTcpSocket *socket, const StreamPlan &plan) : QObject(socket), socket(socket), plan(plan)
    {
        total = plan.totalBytes < 0 ? plan.pattern.size() : plan.totalBytes;
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { feed(); });
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/x-7z-compressed\r\n";
        if (plan.announcedBytes >= 0)
            head += "Content-Length: " + QByteArray::number(plan.announcedBytes) + "\r\n";
        socket->write(head + "Connection: close\r\n\r\n");
    }

private:
    void feed()
    {
        // A few blocks in flight at most: the body is never held whole, neither here nor in
        // the socket.
        if (waiting || socket->bytesToWrite() > 4 * plan.blockBytes)
            return;
        if (sent >= total) {
            socket->disconnectFromHost();
            return;
        }
        if (plan.holdAfter >= 0 && sent >= plan.holdAfter && !released) {
            if (!plan.mayGoOn || !plan.mayGoOn()) {
                pause(20);
                return;
            }
            released = true;
        }
        const qint64 stop = !released && plan.holdAfter > sent ? plan.holdAfter : total;
        const int size = int(std::min<qint64>(plan.blockBytes, stop - sent));
        QByteArray block(size, Qt::Uninitialized);
        for (int i = 0; i < size;) {
            const int at = int((sent + i) % plan.pattern.size());
            const int n = std::min(size - i, int(plan.pattern.size()) - at);
            std::memcpy(block.data() + i, plan.pattern.constData() + at, size_t(n));
            i += n;
        }
        sent += size;
        socket->write(block);
        if (plan.blockIntervalMs > 0)
            pause(plan.blockIntervalMs);
    }
    void pause(int ms)
    {
        waiting = true;
        QTimer::singleShot(ms, this, [this] {
            waiting = false;
            feed();
        });
    }

    QTcpSocket *socket;
    StreamPlan plan;
    qint64 total = 0;
    qint64 sent = 0;
    bool waiting = false;
    bool released = false;
};

} // namespace

StreamingServer::StreamingServer(StreamPlan plan, QObject *parent)
    : QTcpServer(parent), m_plan(std::move(plan))
{
    listen(QHostAddress::LocalHost, 0);
}

QString StreamingServer::url() const
{
    return QString("http://127.0.0.1:%1/update.7z").arg(serverPort());
}

void StreamingServer::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QTcpSocket(this);
    socket->setSocketDescriptor(socketDescriptor);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        new Answer(socket, m_plan);
    });
}
