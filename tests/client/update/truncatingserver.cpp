#include "truncatingserver.h"

#include <QHostAddress>
#include <QTcpSocket>

TruncatingServer::TruncatingServer(int announcedBytes, QByteArray sentBody, QObject *parent)
    : QTcpServer(parent), m_announced(announcedBytes), m_sent(std::move(sentBody))
{
    listen(QHostAddress::LocalHost, 0);
}

QString TruncatingServer::url() const
{
    return QString("http://127.0.0.1:%1/update.7z").arg(serverPort());
}

void TruncatingServer::incomingConnection(qintptr socketDescriptor)
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
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/x-7z-compressed\r\n"
                      "Content-Length: " +
                      QByteArray::number(m_announced) + "\r\nConnection: close\r\n\r\n" + m_sent);
        socket->disconnectFromHost();
    });
}
