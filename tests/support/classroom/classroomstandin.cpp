#include "classroomstandin.h"

#include "standinserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QMetaObject>
#include <QMutexLocker>
#include <QProcess>
#include <QThread>
#include <QUrlQuery>
#include <QWebChannel>

#include <cstdio>

static void initPageResource()
{
    Q_INIT_RESOURCE(page);
    // qwebchannel.js is a resource of the web channel library: keep that library linked in even
    // where nothing else of it is used (the stand-in's own executable).
    static const char *const channelLibrary = QWebChannel::staticMetaObject.className();
    Q_UNUSED(channelLibrary);
}

namespace classroom {

Response Response::json(const QByteArray &body)
{
    Response r;
    r.contentType = "application/json";
    r.body = body;
    return r;
}

Response Response::file(const QString &fileName, const QByteArray &contentType)
{
    Response r;
    QFile f(fileName);
    if (f.open(QIODevice::ReadOnly)) {
        r.body = f.readAll();
        r.contentType = contentType;
    } else {
        r.status = 404;
        r.contentType = "text/plain";
        r.body = "no such file";
    }
    return r;
}

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

QString RecordedRequest::formField(const QString &name) const
{
    // Form encoding writes blanks as "+"; QUrlQuery alone would keep them.
    QByteArray text = body;
    text.replace('+', ' ');
    const QUrlQuery form(QString::fromUtf8(text));
    return form.queryItemValue(name, QUrl::FullyDecoded);
}

ClassroomStandin::ClassroomStandin() : m_state(std::make_shared<State>())
{
    initPageResource();
}

ClassroomStandin::~ClassroomStandin()
{
    stop();
}

bool ClassroomStandin::start(quint16 port)
{
    return startServer(false, QString(), QString(), port);
}

bool ClassroomStandin::startHttps(const QString &certificateFile, const QString &keyFile,
                                  quint16 port)
{
    return startServer(true, certificateFile, keyFile, port);
}

bool ClassroomStandin::startServer(bool https, const QString &certificateFile,
                                   const QString &keyFile, quint16 port)
{
    stop();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("classroom-standin"));
    m_server = new StandinServer(m_state, https);
    m_server->moveToThread(m_thread);
    m_thread->start();
    quint16 bound = 0;
    QMetaObject::invokeMethod(
        m_server, [&] { bound = m_server->listenOn(port, certificateFile, keyFile); },
        Qt::BlockingQueuedConnection);
    if (bound == 0) {
        stop();
        return false;
    }
    m_https = https;
    m_port = bound;
    return true;
}

void ClassroomStandin::stop()
{
    if (!m_thread)
        return;
    // The server and its sockets belong to the thread: they go there, before it ends.
    QMetaObject::invokeMethod(
        m_server, [server = m_server] { delete server; }, Qt::BlockingQueuedConnection);
    m_server = nullptr;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_port = 0;
}

quint16 ClassroomStandin::port() const
{
    return m_port;
}

QString ClassroomStandin::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_https ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(m_port);
}

QUrl ClassroomStandin::pageUrl() const
{
    return QUrl(baseUrl() + QStringLiteral("/static/h5/index.html"));
}

void ClassroomStandin::setResponse(const QString &path, const Response &response)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->responses.insert(path, response);
}

void ClassroomStandin::clearResponse(const QString &path)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->responses.remove(path);
}

QByteArray ClassroomStandin::classroomPage()
{
    initPageResource();
    QFile page(QStringLiteral(":/classroom/index.html"));
    page.open(QIODevice::ReadOnly);
    return page.readAll();
}

Response ClassroomStandin::defaultResponse(const QString &path)
{
    initPageResource();
    Response r;
    if (path == QLatin1String("/") || path == QLatin1String("/static/h5/index.html")) {
        r.body = classroomPage();
    } else if (path == QLatin1String("/static/h5/share.html")) {
        r = Response::file(QStringLiteral(":/classroom/share.html"), "text/html; charset=utf-8");
    } else if (path == QLatin1String("/qwebchannel.js")) {
        r = Response::file(QStringLiteral(":/qtwebchannel/qwebchannel.js"),
                           "application/javascript");
    } else if (path == QLatin1String("/ClientAPI/getversion")) {
        // Any result other than 0 means that there is nothing newer.
        r = Response::json(R"({"result":1,"update":"","install":""})");
    } else if (path == QLatin1String("/standin/loaded")) {
        r.status = 204;
        r.contentType.clear();
    } else {
        r.status = 404;
        r.contentType = "text/plain";
        r.body = "not found";
    }
    return r;
}

QList<RecordedRequest> ClassroomStandin::requests() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->requests;
}

QList<RecordedRequest> ClassroomStandin::requests(const QString &path) const
{
    QList<RecordedRequest> found;
    QMutexLocker lock(&m_state->mutex);
    for (const auto &r : m_state->requests)
        if (r.path == path)
            found.append(r);
    return found;
}

int ClassroomStandin::requestCount(const QString &path) const
{
    return requests(path).size();
}

void ClassroomStandin::clearRequests()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->requests.clear();
}

bool ClassroomStandin::waitForRequests(const QString &path, int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (requestCount(path) < count) {
        if (deadline.hasExpired())
            return false;
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool SelfSignedCertificate::create(const QString &folder)
{
    certificateFile = folder + QStringLiteral("/standin-cert.pem");
    keyFile = folder + QStringLiteral("/standin-key.pem");
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   keyFile, QStringLiteral("-out"), certificateFile, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        std::fprintf(stderr, "openssl failed: %s\n", openssl.readAll().constData());
        return false;
    }
    return true;
}

} // namespace classroom
