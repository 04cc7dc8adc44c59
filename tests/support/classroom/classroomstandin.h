#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>

class QThread;

namespace classroom {

class StandinServer;

// One answer of the stand-in to one path.
struct Response
{
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Wait this long before answering (slow servers, time-outs).
    int delayMs = 0;
    // Close the connection instead of answering.
    bool drop = false;

    static Response json(const QByteArray &body);
    static Response file(const QString &fileName, const QByteArray &contentType);
};

// One request as it reached the stand-in.
struct RecordedRequest
{
    QByteArray method;
    QString path;  // without the query
    QString query; // without the "?"
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
    // The value of one field of an "application/x-www-form-urlencoded" body.
    QString formField(const QString &name) const;
};

// The classroom server on 127.0.0.1 with a free port: the classroom page ("/" and
// "/static/h5/index.html"), its share frame, qwebchannel.js from Qt's own resource, and
// "/ClientAPI/getversion" answering that there is no update. Every answer can be replaced per path.
// The server runs on a thread of its own, so that a test that blocks its own thread (a modal
// question, a wait) does not stall the page's loads; every member may be called from any thread.
class ClassroomStandin
{
public:
    ClassroomStandin();
    ~ClassroomStandin();
    ClassroomStandin(const ClassroomStandin &) = delete;
    ClassroomStandin &operator=(const ClassroomStandin &) = delete;

    // Plain HTTP. port 0 picks a free port. False when the port cannot be had.
    bool start(quint16 port = 0);
    // HTTPS with the given PEM certificate and key.
    bool startHttps(const QString &certificateFile, const QString &keyFile, quint16 port = 0);
    void stop();

    quint16 port() const;
    // "http://127.0.0.1:<port>" (or https), without a trailing "/": what "aularkhome.txt" holds.
    QString baseUrl() const;
    // The classroom page's address.
    QUrl pageUrl() const;

    // Replaces the answer for one path (the query is not part of it).
    void setResponse(const QString &path, const Response &response);
    void clearResponse(const QString &path);
    // The built-in answers, also for paths that have been replaced.
    static Response defaultResponse(const QString &path);
    static QByteArray classroomPage();

    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requests(const QString &path) const;
    int requestCount(const QString &path) const;
    void clearRequests();
    // Runs the calling thread's event loop until a request for path has come (count of them in
    // all), or the time is up.
    bool waitForRequests(const QString &path, int count, int timeoutMs);

    struct State;

private:
    bool startServer(bool https, const QString &certificateFile, const QString &keyFile,
                     quint16 port);

    std::shared_ptr<State> m_state;
    QThread *m_thread = nullptr;
    StandinServer *m_server = nullptr;
    bool m_https = false;
    quint16 m_port = 0;
};

// A self-signed certificate for 127.0.0.1, made with the openssl command line in folder.
struct SelfSignedCertificate
{
    QString certificateFile;
    QString keyFile;
    // False (and an error on stderr) when openssl is missing or fails.
    bool create(const QString &folder);
};

} // namespace classroom
