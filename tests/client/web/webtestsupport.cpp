#include "webtestsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

namespace webtest {

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QVariant runScript(QWebEnginePage *page, const QString &script, int timeoutMs)
{
    auto result = std::make_shared<QVariant>();
    auto finished = std::make_shared<bool>(false);
    page->runJavaScript(script, [result, finished](const QVariant &value) {
        *result = value;
        *finished = true;
    });
    waitUntil([&] { return *finished; }, timeoutMs);
    return *result;
}

LoadWatcher::LoadWatcher(QWebEngineView *view)
{
    connect(view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        ++m_loads;
        m_lastOk = ok;
    });
}

bool LoadWatcher::waitForLoads(int count, int timeoutMs)
{
    return waitUntil([&] { return m_loads >= count; }, timeoutMs);
}

namespace {
QMutex logMutex;
QStringList logLines;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&logMutex);
        logLines.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&logMutex);
    logLines.clear();
    previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previousHandler);
    QMutexLocker lock(&logMutex);
    logLines.clear();
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&logMutex);
    return logLines;
}

int LogCapture::count(const QString &fragment) const
{
    int n = 0;
    for (const QString &line : lines())
        if (line.contains(fragment))
            ++n;
    return n;
}

bool LogCapture::waitFor(const QString &fragment, int count, int timeoutMs) const
{
    return waitUntil([&] { return this->count(fragment) >= count; }, timeoutMs);
}

MessageBoxAnswerer::MessageBoxAnswerer(QList<int> answers) : m_answers(std::move(answers))
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    m_timer.start(50);
}

void MessageBoxAnswerer::poll()
{
    if (m_answers.isEmpty())
        return;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible() || box->property("answered").toBool())
            continue;
        box->setProperty("answered", true);
        m_titles.append(box->windowTitle());
        m_texts.append(box->text());
        const int answer = m_answers.takeFirst();
        // Answer from the event loop, not from inside this timer's call.
        QPointer<QMessageBox> target(box);
        QTimer::singleShot(0, box, [target, answer] {
            if (!target)
                return;
            if (answer == Escape) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(target, &press);
            } else if (QAbstractButton *button =
                           target->button(QMessageBox::StandardButton(answer))) {
                button->click();
            }
        });
        return;
    }
}

} // namespace webtest
