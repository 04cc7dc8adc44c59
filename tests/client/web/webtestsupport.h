#pragma once

#include <QMessageBox>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <functional>

class QWebEnginePage;
class QWebEngineView;

namespace webtest {

// Runs the event loop until done() holds or the time is up; the result is done()'s last answer.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 30000);

// Runs script in page and waits for its result (invalid when it gave none in time).
QVariant runScript(QWebEnginePage *page, const QString &script, int timeoutMs = 30000);

// Counts the finished loads of a view.
class LoadWatcher : public QObject
{
public:
    explicit LoadWatcher(QWebEngineView *view);
    // Waits for the count-th finished load since the watcher was made; its success flag.
    bool waitForLoads(int count, int timeoutMs = 60000);
    bool lastOk() const { return m_lastOk; }
    int loads() const { return m_loads; }

private:
    int m_loads = 0;
    bool m_lastOk = false;
};

// Collects every message of the process while it exists.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    int count(const QString &fragment) const;
    bool waitFor(const QString &fragment, int count = 1, int timeoutMs = 30000) const;
};

// Answers the standard question boxes that appear while it exists, one answer each, in order;
// an exhausted list leaves boxes open. Remembers each box's title and text.
class MessageBoxAnswerer : public QObject
{
public:
    // Escape stands for pressing the Escape key instead of a button.
    static constexpr int Escape = -1;
    explicit MessageBoxAnswerer(QList<int> answers);
    QStringList titles() const { return m_titles; }
    QStringList texts() const { return m_texts; }
    int answered() const { return m_titles.size(); }

private:
    void poll();
    QList<int> m_answers;
    QStringList m_titles;
    QStringList m_texts;
    QTimer m_timer;
};

} // namespace webtest
