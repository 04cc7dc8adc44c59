#pragma once

#include <QByteArray>
#include <QTcpServer>

// An HTTP server on 127.0.0.1 whose answer announces more body than it sends before it closes
// the connection: a download cut off half-way. The classroom stand-in always sends whole answers.
class TruncatingServer : public QTcpServer
{
    Q_OBJECT
public:
    TruncatingServer(int announcedBytes, QByteArray sentBody, QObject *parent = nullptr);
    QString url() const;

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    int m_announced;
    QByteArray m_sent;
};
