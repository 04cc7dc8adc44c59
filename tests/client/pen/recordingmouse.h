#pragma once

#include "pen/penmouse.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>

// Writes down what the handler does with the mouse, and on which thread, into a list that the
// test keeps after the handler (and this mouse with it) has gone.
class RecordingMouse : public PenMouse
{
public:
    explicit RecordingMouse(std::shared_ptr<QStringList> log) : log(std::move(log)) {}

    static QString move(const QPoint &screenPoint)
    {
        return QStringLiteral("move %1,%2").arg(screenPoint.x()).arg(screenPoint.y());
    }

    void moveCursor(const QPoint &screenPoint) override { add(move(screenPoint)); }
    void pressLeftButton() override { add(QStringLiteral("down")); }
    void releaseLeftButton() override { add(QStringLiteral("up")); }

private:
    void add(const QString &event)
    {
        const bool guiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        log->append(guiThread ? event : event + QStringLiteral(" off the GUI thread"));
    }
    std::shared_ptr<QStringList> log;
};
