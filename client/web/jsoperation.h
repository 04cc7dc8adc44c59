#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>

class Live;
class LiveOwner;
class QWebEnginePage;
class QWidget;

// The classroom page's handle on the live room, published on the web channel. It only passes the
// page's calls on to the live-room controller, whose lifetime it carries: the controller comes
// into being with this object and is destroyed with it. Results reach the page through the owner
// window, never through this object.
class JsOperation : public QObject
{
    Q_OBJECT
public:
    // owner: the window that receives the live room's results; results are dropped when it
    // cannot take them. page: the page whose calls reach the live room while it shows the
    // classroom server; with none, no call does.
    JsOperation(QWidget *owner, QWebEnginePage *page);
    ~JsOperation() override;

    // The page's values are loosely typed: what does not convert becomes 0 or an empty text.
    Q_INVOKABLE void Login(QVariant userid, QVariant usersig, QVariant roomnum, QVariant bpush,
                           QVariant brecord);
    Q_INVOKABLE void LogOut();
    Q_INVOKABLE void CreateRoom(int roomnum);
    Q_INVOKABLE void StartPushStream();
    Q_INVOKABLE void StopPushStream();

private:
    Live *live;
    LiveOwner *owner;
    QPointer<QWebEnginePage> page;
};
