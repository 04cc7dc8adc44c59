#pragma once

#include "classroomstandin.h"

#include <QHash>
#include <QMutex>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

namespace classroom {

struct ClassroomStandin::State
{
    QMutex mutex;
    QHash<QString, Response> responses;
    QList<RecordedRequest> requests;
};

// The listening side; lives on the stand-in's own thread.
class StandinServer : public QTcpServer
{
    Q_OBJECT
public:
    StandinServer(std::shared_ptr<ClassroomStandin::State> state, bool https);

    // The bound port, or 0.
    quint16 listenOn(quint16 port, const QString &certificateFile, const QString &keyFile);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void serve(QTcpSocket *socket);

    std::shared_ptr<ClassroomStandin::State> m_state;
    bool m_https;
    QSslCertificate m_certificate;
    QSslKey m_key;
};

} // namespace classroom
