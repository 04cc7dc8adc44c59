#include "live.h"

#include "app/logmessagehandler.h"
#include "liveowner.h"
#include "pageresult.h"

#include <ilive/ilive.h>

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QRect>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <new>

namespace {

// The operator's SDK account.
constexpr int kSdkAppId = 1400000001;
constexpr int kSdkAccountType = 10001;

// Read by the SDK's answers on the GUI thread, written under liveMutex.
std::atomic<Live *> liveInstance{nullptr};
QBasicMutex liveMutex;

const char *orEmpty(const char *text)
{
    return text ? text : "";
}

// The entry whose name holds name, else the first one; null for an empty list.
const SdkDeviceEntry *chooseDevice(const SdkList<SdkDeviceEntry> &devices, const std::string &name)
{
    if (devices.empty())
        return nullptr;
    if (!name.empty()) {
        for (const SdkDeviceEntry &device : devices) {
            if (std::string(device.name.c_str()).find(name) != std::string::npos)
                return &device;
        }
    }
    return &devices[0];
}

} // namespace

// The SDK's callbacks. Each gets the controller back as its context; an answer for a controller
// that has been destroyed since it asked is dropped.
class LiveCallbacks
{
public:
    static Live *target(void *context)
    {
        Live *live = liveInstance.load();
        return context && context == live ? live : nullptr;
    }

    static void onLoginSuccess(void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->loggedIn = true;
        live->CreateRoom(live->roomNum);
        qInfo("Live LogIn Success");
    }

    static void onLoginError(int code, const char *desc, void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->loggedIn = false;
        live->tellPage(PageResultLoginFailed);
        qInfo("Live LogIn Error,code:%d, desc:%s", code, orEmpty(desc));
    }

    static void onCreateRoomSuccess(void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->StartRoom();
        qInfo("create live room success");
    }

    static void onCreateRoomError(int code, const char *desc, void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->tellPage(PageResultCreateRoomFailed);
        qInfo("create room failed code:%d, desc:%s", code, orEmpty(desc));
    }

    static void onPushStreamSuccess(const SdkPushResult &result, void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        for (const SdkPushUrlEntry &entry : result.urls)
            qInfo("%s", entry.url.c_str());
        live->pushChannelId = result.channelId;
        live->pushing = true;
        live->tellPage(PageResultStarted);
        qInfo("Start Push Stream Success");
    }

    static void onPushStreamError(int code, const char *desc, void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->pushing = false;
        live->tellPage(PageResultPushFailed);
        qInfo("Start Push Stream Error,code:%d, desc:%s", code, orEmpty(desc));
    }

    static void onRecordSuccess(void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->recording = true;
        live->tellPage(PageResultStarted);
        qInfo("Start Record Success");
    }

    static void onRecordError(int code, const char *desc, void *context)
    {
        if (!target(context))
            return;
        qInfo("Start Record Stream Error code :%d, info:%s", code, orEmpty(desc));
    }

    static void onStopPushSuccess(void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->pushing = false;
        live->pushChannelId = 0;
        qInfo("Stop Push Stream Success");
    }

    static void onStopPushError(int code, const char *desc, void *context)
    {
        if (!target(context))
            return;
        qInfo("Stop push Stream Error code :%d, info:%s", code, orEmpty(desc));
    }

    static void onStopRecordSuccess(const SdkList<SdkString> &texts, void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        for (const SdkString &text : texts)
            qInfo("%s", text.c_str());
        live->recording = false;
        qInfo("Stop Record Success");
    }

    static void onStopRecordError(int code, const char *desc, void *context)
    {
        if (!target(context))
            return;
        qInfo("Stop Record Stream Error code :%d, info:%s", code, orEmpty(desc));
    }

    static void onQuitRoomSuccess(void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        GetILive()->logout(onLogoutSuccess, onLogoutError, live);
        qInfo("Quit Room Success");
    }

    static void onQuitRoomError(int code, const char *desc, void *context)
    {
        if (!target(context))
            return;
        qInfo("Quit Room Error code :%d, info:%s", code, orEmpty(desc));
    }

    static void onLogoutSuccess(void *context)
    {
        Live *live = target(context);
        if (!live)
            return;
        live->loggedIn = false;
        live->tellPage(PageResultLoggedOut);
        qInfo("Live LogOut Success");
    }

    static void onLogoutError(int code, const char *desc, void *context)
    {
        if (!target(context))
            return;
        qInfo("Live LogOut Error,code:%d, desc:%s", code, orEmpty(desc));
    }

    static void onRoomDisconnect(int reason, const char *info, void *context)
    {
        if (!target(context))
            return;
        qInfo("Room disconnect, reason:%d, info:%s", reason, orEmpty(info));
    }

    // Room events are of no interest to the host.
    static void onRoomEventListener(int, const SdkList<SdkString> &, void *) {}

    static void onDeviceOperation(int oper, int retCode, void *context)
    {
        if (!target(context))
            return;
        qInfo("device operation, oper:%d, retCode:%d", oper, retCode);
    }

    static void onNoopCallbackA(int, void *) {}
    static void onNoopCallbackB(void *) {}
};

Live *Live::instance()
{
    QMutexLocker locker(&liveMutex);
    if (Live *live = liveInstance.load())
        return live;
    Live *live = nullptr;
    try {
        live = new (std::nothrow) Live;
    } catch (const std::bad_alloc &) {
        live = nullptr;
    }
    if (!live) {
        // Logged without ending the program: the bridge runs on without a controller.
        messageHandler(QtFatalMsg, QMessageLogContext(), QStringLiteral("new Live() failed"));
        return nullptr;
    }
    // The controller belongs to the GUI thread, whichever thread asked for it first.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        if (live->thread() != app->thread())
            live->moveToThread(app->thread());
    }
    liveInstance.store(live);
    return live;
}

void Live::DestroyLiveSdk()
{
    qInfo("DestroyLiveSdk()");
    QMutexLocker locker(&liveMutex);
    Live *live = liveInstance.load();
    if (!live)
        return;
    if (live->loggedIn)
        live->LogOut();
    liveInstance.store(nullptr);
    delete live;
}

Live::Live() = default;

Live::~Live() = default;

int Live::Login(LiveOwner *owner, const QString &userid, const QString &usersig, int roomnum,
                int bpush, int brecord)
{
    userSig = usersig;
    roomNum = roomnum;
    this->owner = owner;
    pushWanted = bpush != 0;
    recordWanted = brecord != 0;
    if (loggedIn)
        return 0;

    if (GetILive()->init(kSdkAppId, kSdkAccountType, 1) != 0) {
        qInfo("init sdk failed.");
        return -1;
    }
    ProbeRenderMode();
    qInfo("sdk version: %s", orEmpty(GetILive()->getVersion()));
    const std::string userId = userid.toStdString();
    const std::string signature = userSig.toStdString();
    GetILive()->login(userId.c_str(), signature.c_str(), LiveCallbacks::onLoginSuccess,
                      LiveCallbacks::onLoginError, this);
    return 0;
}

void Live::CreateRoom(int)
{
    GetILive()->setNoopCallbackA(LiveCallbacks::onNoopCallbackA, this);
    GetILive()->setDeviceOperationCallback(LiveCallbacks::onDeviceOperation, this);
    GetILive()->setNoopCallbackB(LiveCallbacks::onNoopCallbackB, this);

    SdkRoomOption option;
    option.mode = 1;
    option.roomNumber = roomNum;
    option.privilege[0] = -1;
    option.privilege[1] = -1;
    option.role = "LiveMaster";
    option.onDisconnect = LiveCallbacks::onRoomDisconnect;
    option.onRoomEvent = LiveCallbacks::onRoomEventListener;
    option.context = this;
    GetILive()->createRoom(option, LiveCallbacks::onCreateRoomSuccess,
                           LiveCallbacks::onCreateRoomError, this);
}

void Live::StartRoom()
{
    // Each step only asks the SDK; none waits for another's answer.
    OpenScreenShare("");
    OpenCamera("");
    OpenMic("");
    if (pushWanted)
        StartPushStream();
    if (recordWanted) {
        PrepareRecording(SdkString());
        StartRecord();
    }
}

int Live::LogOut()
{
    qInfo("Live::LogOut()");
    CloseScreenShare();
    CloseMic();
    ClosePlayer();
    StopRecord();
    StopPushStream();
    GetILive()->quitRoom(LiveCallbacks::onQuitRoomSuccess, LiveCallbacks::onQuitRoomError, this);
    return 0;
}

int Live::StartPushStream()
{
    if (!pushWanted)
        return -1;
    if (pushing)
        return 0;
    SdkPushStreamOption option;
    option.mode = 1;
    option.encoding = 5;
    option.quality = 4;
    GetILive()->startPushStream(option, LiveCallbacks::onPushStreamSuccess,
                                LiveCallbacks::onPushStreamError, this);
    return 0;
}

int Live::StartRecord()
{
    if (!recordWanted)
        return -1;
    if (recording)
        return 0;
    const std::string fileName = QStringLiteral("%1.mp4").arg(roomNum).toStdString();
    SdkRecordOption option;
    option.mode = 1;
    option.fileName = fileName.c_str();
    option.reserved = 0;
    GetILive()->startRecordVideo(option, LiveCallbacks::onRecordSuccess,
                                 LiveCallbacks::onRecordError, this);
    return 0;
}

int Live::StopPushStream()
{
    if (pushing)
        GetILive()->stopPushStream(pushChannelId, 1, LiveCallbacks::onStopPushSuccess,
                                   LiveCallbacks::onStopPushError, this);
    return 0;
}

int Live::StopRecord()
{
    if (recording) {
        FinishRecording();
        GetILive()->stopRecordVideo(1, LiveCallbacks::onStopRecordSuccess,
                                    LiveCallbacks::onStopRecordError, this);
    }
    return 0;
}

int Live::OpenScreenShare(const std::string &)
{
    GetILive()->getWindowList(windowList);
    if (windowList.empty())
        return -1;
    QWidget *window = owner ? owner->liveWindow() : nullptr;
    if (window) {
        const auto ownId = static_cast<std::uint32_t>(window->winId());
        for (const SdkWindowEntry &entry : windowList) {
            if (entry.handle != ownId)
                continue;
            const QRect area = window->geometry();
            int left = area.x();
            int top = area.y();
            int right = area.x() + area.width() - 1;
            int bottom = area.y() + area.height() - 1;
            GetILive()->openScreenShare(left, top, right, bottom, shareRate);
            break;
        }
    }
    screenShareOpened = true;
    return 0;
}

int Live::OpenCamera(const std::string &name)
{
    GetILive()->getCameraList(cameraList);
    if (const SdkDeviceEntry *camera = chooseDevice(cameraList, name)) {
        const SdkString id(camera->id.c_str());
        GetILive()->openCamera(id);
        cameraOpened = true;
    }
    return 0;
}

int Live::OpenMic(const std::string &name)
{
    GetILive()->getMicList(micList);
    if (const SdkDeviceEntry *microphone = chooseDevice(micList, name)) {
        const SdkString id(microphone->id.c_str());
        GetILive()->openMic(id);
        micOpened = true;
    }
    return 0;
}

int Live::PrepareRecording(const SdkString &text)
{
    GetILive()->setRecordingText(text);
    return 0;
}

int Live::FinishRecording()
{
    GetILive()->finishRecording();
    return 0;
}

int Live::CloseScreenShare()
{
    if (screenShareOpened) {
        qInfo("Close Screen Share");
        GetILive()->closeScreenShare();
    }
    screenShareOpened = false;
    return 0;
}

int Live::CloseMic()
{
    if (cameraOpened) {
        qInfo("Close Mic");
        GetILive()->closeMic();
    }
    cameraOpened = false;
    return 0;
}

int Live::ClosePlayer()
{
    if (micOpened) {
        qInfo("Close Player");
        GetILive()->closePlayer();
    }
    micOpened = false;
    return 0;
}

int Live::ProbeRenderMode()
{
    ILiveRootView *probe = iLiveCreateRootView();
    const int mode = probe && probe->probeSupport() == 1 ? 0 : 8;
    GetILive()->setRenderMode(mode);
    if (probe)
        probe->release();
    return mode;
}

void Live::tellPage(int result)
{
    if (owner)
        owner->checkPushStreamResult(result);
}
