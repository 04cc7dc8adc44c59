#include "jsoperation.h"

#include "live/live.h"
#include "live/liveowner.h"

#include <QDebug>
#include <QWidget>

JsOperation::JsOperation(QWidget *owner)
    : QObject(nullptr), live(Live::instance()), owner(dynamic_cast<LiveOwner *>(owner))
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
    qInfo("JsOperation::LogOut()");
    if (live)
        live->LogOut();
}

void JsOperation::CreateRoom(int roomnum)
{
    qInfo("JsOperation::CreateRoom()");
    if (live)
        live->CreateRoom(roomnum);
}

void JsOperation::StartPushStream()
{
    qInfo("JsOperation::StartPushStream()");
    if (live) {
        live->StartPushStream();
        live->StartRecord();
    }
}

void JsOperation::StopPushStream()
{
    qInfo("JsOperation::StopPushStream()");
    if (live) {
        live->StopPushStream();
        live->StopRecord();
    }
}
