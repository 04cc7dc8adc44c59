#pragma once

#include <QObject>
#include <QPointer>

class QWebEnginePage;
class ScreenShareWindow;

// "ScreenShareObj" on the page's web channel: while the page shares the screen, the main window
// gets out of the way and the stop bar offers the way back.
class ShareScreenJSOperation : public QObject
{
    Q_OBJECT
public:
    ShareScreenJSOperation(QObject *parent, QWebEnginePage *page);
    ~ShareScreenJSOperation() override;

    Q_INVOKABLE void StartScreenShare();
    Q_INVOKABLE void StopScreenShare();

    ScreenShareWindow *shareWindow() const { return shareBar; }

private slots:
    void onStopShareClicked();

private:
    // Not owned. The bridge object belongs to the main window and outlives the view whose page
    // this is once the user has confirmed closing; the bar can still be pressed then.
    QPointer<QWebEnginePage> page;
    ScreenShareWindow *shareBar;
};
