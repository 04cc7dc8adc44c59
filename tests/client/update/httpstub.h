#pragma once

#include <QByteArray>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 for the download tests. Each path answers with the bytes
// given for it, written as they are, after which the connection is closed; unknown paths get a
// 404. With a certificate and key it speaks TLS.
class HttpStub : public QTcpServer
{
    Q_OBJECT
public:
    explicit HttpStub(QObject *parent = nullptr);

    void useTls(const QSslCertificate &certificate, const QSslKey &key);
    // A complete answer with a status line, a content length and the body.
    void serve(const QByteArray &path, const QByteArray &body, const QByteArray &status = "200 OK",
               const QByteArray &extraHeaders = {});
    // Exactly these bytes, then the connection drops.
    void serveRaw(const QByteArray &path, const QByteArray &bytes);
    QString url(const QByteArray &path) const;
    int requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    QHash<QByteArray, QByteArray> m_answers;
    QSslCertificate m_certificate;
    QSslKey m_key;
    bool m_tls = false;
    int m_requests = 0;
};
