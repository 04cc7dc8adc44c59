#include "jsoperation.h"

#include "bridgeorigin.h"
#include "live/live.h"
#include "live/liveowner.h"

#include <QDebug>
#include <QWebEnginePage>
#include <QWidget>

JsOperation::JsOperation(QWidget *owner, QWebEnginePage *page)
    : QObject(nullptr), live(Live::instance()), owner(dynamic_cast<LiveOwner *>(owner)), page(page)
{
}

JsOperation::~JsOperation()
{
    if (live)
        Live::DestroyLiveSdk();
}

void JsOperation::Login(QVariant userid, QVariant usersig, QVariant roomnum, QVariant bpush,
                        QVariant brecord)
{
    if (!bridgeCallAllowed(page, "LiveObj.Login"))
        return;
    qInfo("JsOperation::Login()");
    qDebug().noquote() << "userid:" << userid.toString();
    // The signature is the user's credential for the live service: the log keeps only its length.
    qDebug().noquote() << "usersig:"
                       << QStringLiteral("<%1 characters>").arg(usersig.toString().size());
    qDebug() << "roomnum:" << roomnum.toInt();
    qDebug() << "push flag:" << bpush.toInt();
    qDebug() << "record flag:" << brecord.toInt();
    if (live)
        live->Login(owner, userid.toString(), usersig.toString(), roomnum.toInt(), bpush.toInt(),
                    brecord.toInt());
}

void JsOperation::LogOut()
{
    if (!bridgeCallAllowed(page, "LiveObj.LogOut"))
        return;
    qInfo("JsOperation::LogOut()");
    if (live)
        live->LogOut();
}

void JsOperation::CreateRoom(int roomnum)
{
    if (!bridgeCallAllowed(page, "LiveObj.CreateRoom"))
        return;
    qInfo("JsOperation::CreateRoom()");
    if (live)
        live->CreateRoom(roomnum);
}

void JsOperation::StartPushStream()
{
    if (!bridgeCallAllowed(page, "LiveObj.StartPushStream"))
        return;
    qInfo("JsOperation::StartPushStream()");
    if (live) {
        live->StartPushStream();
        live->StartRecord();
    }
}

void JsOperation::StopPushStream()
{
    if (!bridgeCallAllowed(page, "LiveObj.StopPushStream"))
        return;
    qInfo("JsOperation::StopPushStream()");
    if (live) {
        live->StopPushStream();
        live->StopRecord();
    }
}
