#include "httpstub.h"

#include <QHostAddress>
#include <QSslSocket>

#include <memory>

HttpStub::HttpStub(QObject *parent) : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost, 0);
}

void HttpStub::useTls(const QSslCertificate &certificate, const QSslKey &key)
{
    m_certificate = certificate;
    m_key = key;
    m_tls = true;
}

void HttpStub::serve(const QByteArray &path, const QByteArray &body, const QByteArray &status,
                     const QByteArray &extraHeaders)
{
    serveRaw(path, "HTTP/1.1 " + status + "\r\nContent-Type: application/octet-stream\r\n" +
                       "Content-Length: " + QByteArray::number(body.size()) +
                       "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body);
}

void HttpStub::serveRaw(const QByteArray &path, const QByteArray &bytes)
{
    m_answers.insert(path, bytes);
}

QString HttpStub::url(const QByteArray &path) const
{
    return QString("%1://127.0.0.1:%2%3")
        .arg(m_tls ? "https" : "http")
        .arg(serverPort())
        .arg(QString::fromLatin1(path));
}

void HttpStub::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QSslSocket(this);
    socket->setSocketDescriptor(socketDescriptor);
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), socket,
            [socket] { socket->ignoreSslErrors(); });
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QSslSocket::readyRead, this, [this, socket, request] {
        request->append(socket->readAll());
        if (!request->contains("\r\n\r\n") || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        ++m_requests;
        // "GET /path HTTP/1.1"
        const QByteArray path = request->left(request->indexOf("\r\n")).split(' ').value(1);
        const auto answer = m_answers.constFind(path);
        socket->write(answer != m_answers.constEnd()
                          ? *answer
                          : QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n"
                                       "Connection: close\r\n\r\nnot found"));
        socket->disconnectFromHost();
    });
    if (m_tls) {
        socket->setLocalCertificate(m_certificate);
        socket->setPrivateKey(m_key);
        socket->startServerEncryption();
    }
}
