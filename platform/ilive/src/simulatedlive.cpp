#include "simulationstate.h"

#include <QGuiApplication>
#include <QWindow>

#include <string>

namespace ilivesim {
namespace {

std::string text(const char *chars)
{
    return chars ? std::string(chars) : std::string();
}

// Answers one request through its success or its error callback.
template <typename Success>
void answer(Request request, Success onSuccess, SdkErrorCallback error, void *context)
{
    const Outcome outcome = outcomeOf(request);
    if (outcome.success) {
        deliver(std::move(onSuccess));
        return;
    }
    deliver([outcome, error, context] {
        if (error)
            error(outcome.code, outcome.description.c_str(), context);
    });
}

void fill(SdkList<SdkDeviceEntry> &list, const std::vector<Device> &devices)
{
    list.clear();
    for (const Device &device : devices) {
        SdkDeviceEntry entry;
        entry.id = device.id.c_str();
        entry.name = device.name.c_str();
        list.append(entry);
    }
}

class SimulatedLive final : public ILive
{
public:
    const char *getVersion() override
    {
        record("getVersion()");
        return state().version.c_str();
    }

    int init(int applicationId, int accountType, int options) override
    {
        record("init(" + std::to_string(applicationId) + "," + std::to_string(accountType) + "," +
               std::to_string(options) + ")");
        State &s = state();
        if (s.initResult == 0)
            s.initialised = true;
        return s.initResult;
    }

    void unusedSlot2() override {}
    void unusedSlot3() override {}
    void unusedSlot4() override {}
    void unusedSlot5() override {}
    void unusedSlot6() override {}

    void setNoopCallbackA(SdkValueCallback callback, void *context) override
    {
        record("setNoopCallbackA()");
        state().noopA = callback;
        state().noopAContext = context;
    }

    void unusedSlot8() override {}

    void setDeviceOperationCallback(SdkDeviceOperationCallback callback, void *context) override
    {
        record("setDeviceOperationCallback()");
        state().deviceOperation = callback;
        state().deviceOperationContext = context;
    }

    void setNoopCallbackB(SdkNotifyCallback callback, void *context) override
    {
        record("setNoopCallbackB()");
        state().noopB = callback;
        state().noopBContext = context;
    }

    void setRenderMode(int mode) override { record("setRenderMode(" + std::to_string(mode) + ")"); }

    void login(const char *userId, const char *userSignature, SdkSuccessCallback success,
               SdkErrorCallback error, void *context) override
    {
        record("login(" + text(userId) + "," + text(userSignature) + ")");
        answer(
            Request::Login,
            [success, context] {
                state().loggedIn = true;
                if (success)
                    success(context);
            },
            error, context);
    }

    void logout(SdkSuccessCallback success, SdkErrorCallback error, void *context) override
    {
        record("logout()");
        answer(
            Request::Logout,
            [success, context] {
                state().loggedIn = false;
                state().inRoom = false;
                if (success)
                    success(context);
            },
            error, context);
    }

    void unusedSlot14() override {}
    void unusedSlot15() override {}

    void createRoom(const SdkRoomOption &option, SdkSuccessCallback success, SdkErrorCallback error,
                    void *context) override
    {
        record("createRoom(" + std::to_string(option.roomNumber) + "," + text(option.role.c_str()) +
               ")");
        State &s = state();
        RoomOptionSeen &seen = s.roomOption;
        seen.mode = option.mode;
        seen.roomNumber = option.roomNumber;
        seen.token = option.token.c_str();
        seen.createIfMissing = option.createIfMissing;
        seen.privilege[0] = option.privilege[0];
        seen.privilege[1] = option.privilege[1];
        seen.role = option.role.c_str();
        seen.group = option.group.c_str();
        seen.audioOn = option.audioOn;
        seen.videoOn = option.videoOn;
        seen.speakerOn = option.speakerOn;
        seen.timeoutMs = option.timeoutMs;
        seen.hasDisconnectCallback = option.onDisconnect != nullptr;
        seen.hasRoomEventCallback = option.onRoomEvent != nullptr;
        seen.context = option.context;
        s.onDisconnect = option.onDisconnect;
        s.onRoomEvent = option.onRoomEvent;
        s.roomContext = option.context;
        answer(
            Request::CreateRoom,
            [success, context] {
                state().inRoom = true;
                if (success)
                    success(context);
            },
            error, context);
    }

    void unusedSlot17() override {}

    void quitRoom(SdkSuccessCallback success, SdkErrorCallback error, void *context) override
    {
        record("quitRoom()");
        answer(
            Request::QuitRoom,
            [success, context] {
                state().inRoom = false;
                if (success)
                    success(context);
            },
            error, context);
    }

    void unusedSlot19() override {}
    void unusedSlot20() override {}
    void unusedSlot21() override {}
    void unusedSlot22() override {}
    void unusedSlot23() override {}
    void unusedSlot24() override {}

    void startPushStream(const SdkPushStreamOption &option, SdkPushSuccessCallback success,
                         SdkErrorCallback error, void *context) override
    {
        record("startPushStream(" + std::to_string(option.mode) + "," +
               std::to_string(option.encoding) + "," + std::to_string(option.quality) + "," +
               std::to_string(option.recordType) + "," + std::to_string(option.audioOn) + "," +
               std::to_string(option.reserved) + ")");
        const State &s = state();
        std::vector<std::string> urls = s.pushUrls;
        if (!s.pushUrlsScripted)
            urls = {"sim://push/" + std::to_string(s.roomOption.roomNumber)};
        const std::uint64_t channelId = s.channelId;
        answer(
            Request::StartPushStream,
            [success, context, urls, channelId] {
                SdkPushResult result;
                for (const std::string &url : urls) {
                    SdkPushUrlEntry entry;
                    entry.url = url.c_str();
                    result.urls.append(entry);
                }
                result.channelId = channelId;
                if (success)
                    success(result, context);
            },
            error, context);
    }

    void stopPushStream(std::uint64_t channelId, int options, SdkSuccessCallback success,
                        SdkErrorCallback error, void *context) override
    {
        record("stopPushStream(" + std::to_string(channelId) + "," + std::to_string(options) + ")");
        answer(
            Request::StopPushStream,
            [success, context] {
                if (success)
                    success(context);
            },
            error, context);
    }

    void startRecordVideo(const SdkRecordOption &option, SdkSuccessCallback success,
                          SdkErrorCallback error, void *context) override
    {
        record("startRecordVideo(" + std::to_string(option.mode) + "," +
               text(option.fileName.c_str()) + "," + std::to_string(option.reserved) + ")");
        state().lastRecordFile = option.fileName.c_str();
        answer(
            Request::StartRecordVideo,
            [success, context] {
                if (success)
                    success(context);
            },
            error, context);
    }

    void stopRecordVideo(int options, SdkTextListCallback success, SdkErrorCallback error,
                         void *context) override
    {
        record("stopRecordVideo(" + std::to_string(options) + ")");
        const State &s = state();
        std::vector<std::string> texts = s.stopRecordTexts;
        if (!s.stopRecordTextsScripted)
            texts = {"sim://record/" + s.lastRecordFile};
        answer(
            Request::StopRecordVideo,
            [success, context, texts] {
                SdkList<SdkString> list;
                for (const std::string &entry : texts)
                    list.append(SdkString(entry.c_str()));
                if (success)
                    success(list, context);
            },
            error, context);
    }

    void unusedSlot29() override {}
    void unusedSlot30() override {}
    void unusedSlot31() override {}
    void unusedSlot32() override {}
    void unusedSlot33() override {}

    int getCameraList(SdkList<SdkDeviceEntry> &cameras) override
    {
        record("getCameraList()");
        fill(cameras, state().cameras);
        return 0;
    }

    int getMicList(SdkList<SdkDeviceEntry> &microphones) override
    {
        record("getMicList()");
        fill(microphones, state().microphones);
        return 0;
    }

    int getWindowList(SdkList<SdkWindowEntry> &windows) override
    {
        record("getWindowList()");
        windows.clear();
        const State &s = state();
        std::vector<Window> listed = s.windows;
        if (s.applicationWindows) {
            listed.clear();
            if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
                for (QWindow *window : QGuiApplication::topLevelWindows()) {
                    if (window->handle())
                        listed.push_back({static_cast<std::uint32_t>(window->winId()),
                                          window->title().toStdString()});
                }
            }
        }
        for (const Window &window : listed) {
            SdkWindowEntry entry;
            entry.handle = window.handle;
            entry.title = window.title.c_str();
            windows.append(entry);
        }
        return 0;
    }

    void unusedSlot37() override {}
    void unusedSlot38() override {}
    void unusedSlot39() override {}
    void unusedSlot40() override {}
    void unusedSlot41() override {}

    int openCamera(const SdkString &deviceId) override
    {
        record("openCamera(" + text(deviceId.c_str()) + ")");
        return 0;
    }

    void unusedSlot43() override {}
    void unusedSlot44() override {}

    int closeMic() override
    {
        record("closeMic()");
        return 0;
    }

    int openMic(const SdkString &deviceId) override
    {
        record("openMic(" + text(deviceId.c_str()) + ")");
        return 0;
    }

    void unusedSlot47() override {}
    void unusedSlot48() override {}

    int closePlayer() override
    {
        record("closePlayer()");
        return 0;
    }

    int openScreenShare(int &left, int &top, int &right, int &bottom, int &rate) override
    {
        record("openScreenShare(" + std::to_string(left) + "," + std::to_string(top) + "," +
               std::to_string(right) + "," + std::to_string(bottom) + "," + std::to_string(rate) +
               ")");
        return 0;
    }

    void unusedSlot51() override {}
    void unusedSlot52() override {}

    int closeScreenShare() override
    {
        record("closeScreenShare()");
        return 0;
    }

    int setRecordingText(const SdkString &value) override
    {
        record("setRecordingText(" + text(value.c_str()) + ")");
        return 0;
    }

    int finishRecording() override
    {
        record("finishRecording()");
        return 0;
    }
};

} // namespace
} // namespace ilivesim

extern "C" ILive *GetILive()
{
    ilivesim::applyEnvironmentOnce();
    static ilivesim::SimulatedLive *live = new ilivesim::SimulatedLive;
    return live;
}
