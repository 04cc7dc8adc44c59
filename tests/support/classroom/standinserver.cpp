#include "standinserver.h"

#include <QFile>
#include <QMutexLocker>
#include <QSslSocket>
#include <QTimer>

namespace classroom {

namespace {

const QByteArray kHeaderEnd = "\r\n\r\n";
// A request bigger than this is no browser's and no client's: refuse it.
constexpr int kMaxRequestBytes = 64 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// Parses one whole request from the front of buffer; false while it is incomplete.
bool takeRequest(QByteArray &buffer, RecordedRequest &request, bool &malformed)
{
    malformed = false;
    const int headerEnd = buffer.indexOf(kHeaderEnd);
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() < 2) {
        malformed = true;
        return false;
    }
    request = RecordedRequest();
    request.method = requestLine[0];
    const QString target = QString::fromUtf8(requestLine[1]);
    const int q = target.indexOf(QLatin1Char('?'));
    request.path = q < 0 ? target : target.left(q);
    request.query = q < 0 ? QString() : target.mid(q + 1);
    qint64 length = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || length < 0 || length > kMaxRequestBytes) {
                malformed = true;
                return false;
            }
        }
    }
    const int bodyStart = headerEnd + kHeaderEnd.size();
    if (buffer.size() - bodyStart < length)
        return false;
    request.body = buffer.mid(bodyStart, int(length));
    buffer.remove(0, bodyStart + int(length));
    return true;
}

} // namespace

StandinServer::StandinServer(std::shared_ptr<ClassroomStandin::State> state, bool https)
    : m_state(std::move(state)), m_https(https)
{
}

quint16 StandinServer::listenOn(quint16 port, const QString &certificateFile,
                                const QString &keyFile)
{
    if (m_https) {
        QFile cert(certificateFile);
        QFile key(keyFile);
        if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return 0;
        m_certificate = QSslCertificate(&cert, QSsl::Pem);
        m_key = QSslKey(&key, QSsl::Rsa, QSsl::Pem);
        if (m_certificate.isNull() || m_key.isNull())
            return 0;
    }
    if (!listen(QHostAddress::LocalHost, port))
        return 0;
    return serverPort();
}

void StandinServer::incomingConnection(qintptr socketDescriptor)
{
    QTcpSocket *socket = nullptr;
    if (m_https) {
        auto *ssl = new QSslSocket(this);
        if (!ssl->setSocketDescriptor(socketDescriptor)) {
            delete ssl;
            return;
        }
        ssl->setLocalCertificate(m_certificate);
        ssl->setPrivateKey(m_key);
        ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
        // A client that refuses the certificate ends the handshake; nothing to do but close.
        connect(ssl, qOverload<const QList<QSslError> &>(&QSslSocket::sslErrors), ssl,
                [ssl](const QList<QSslError> &) { ssl->abort(); });
        ssl->startServerEncryption();
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(socketDescriptor)) {
            delete socket;
            return;
        }
    }
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void StandinServer::serve(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    if (buffer.size() > kMaxRequestBytes) {
        socket->abort();
        return;
    }
    RecordedRequest request;
    bool malformed = false;
    if (!takeRequest(buffer, request, malformed)) {
        if (malformed) {
            socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: "
                          "close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        socket->setProperty("buffer", buffer);
        return;
    }
    // One request per connection: the answer closes it.
    socket->setProperty("buffer", QByteArray());
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    Response response;
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->requests.append(request);
        const auto found = m_state->responses.constFind(request.path);
        response = found != m_state->responses.constEnd()
                       ? *found
                       : ClassroomStandin::defaultResponse(request.path);
    }
    const auto send = [socket, response, head = request.method == "HEAD"] {
        if (response.drop) {
            socket->abort();
            return;
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                         reasonPhrase(response.status) + "\r\n";
        if (!response.contentType.isEmpty())
            out += "Content-Type: " + response.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        out += "Cache-Control: no-store\r\nConnection: close\r\n";
        for (const auto &h : response.headers)
            out += h.first + ": " + h.second + "\r\n";
        out += "\r\n";
        if (!head)
            out += response.body;
        socket->write(out);
        socket->disconnectFromHost();
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, send);
    else
        send();
}

} // namespace classroom
