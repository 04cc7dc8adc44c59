#pragma once

#include "ilivememory.h"
#include "sdkcallbacks.h"
#include "sdklist.h"
#include "sdkrecords.h"
#include "sdkstring.h"

#include <cstdint>

// The live audio and video SDK's main object. Requests that take callbacks return at once and are
// answered later, on the thread that runs the application's event loop, through exactly one of
// their callbacks. The order of the operations is the SDK's; slots the program does not use keep
// their place.
class ILive
{
public:
    /* 0 */ virtual const char *getVersion() = 0;
    /* 1 */ virtual int init(int applicationId, int accountType, int options) = 0;
    /* 2 */ virtual void unusedSlot2() = 0;
    /* 3 */ virtual void unusedSlot3() = 0;
    /* 4 */ virtual void unusedSlot4() = 0;
    /* 5 */ virtual void unusedSlot5() = 0;
    /* 6 */ virtual void unusedSlot6() = 0;
    /* 7 */ virtual void setNoopCallbackA(SdkValueCallback callback, void *context) = 0;
    /* 8 */ virtual void unusedSlot8() = 0;
    /* 9 */ virtual void setDeviceOperationCallback(SdkDeviceOperationCallback callback,
                                                    void *context) = 0;
    /* 10 */ virtual void setNoopCallbackB(SdkNotifyCallback callback, void *context) = 0;
    /* 11 */ virtual void setRenderMode(int mode) = 0;
    /* 12 */ virtual void login(const char *userId, const char *userSignature,
                                SdkSuccessCallback success, SdkErrorCallback error,
                                void *context) = 0;
    /* 13 */ virtual void logout(SdkSuccessCallback success, SdkErrorCallback error,
                                 void *context) = 0;
    /* 14 */ virtual void unusedSlot14() = 0;
    /* 15 */ virtual void unusedSlot15() = 0;
    /* 16 */ virtual void createRoom(const SdkRoomOption &option, SdkSuccessCallback success,
                                     SdkErrorCallback error, void *context) = 0;
    /* 17 */ virtual void unusedSlot17() = 0;
    /* 18 */ virtual void quitRoom(SdkSuccessCallback success, SdkErrorCallback error,
                                   void *context) = 0;
    /* 19 */ virtual void unusedSlot19() = 0;
    /* 20 */ virtual void unusedSlot20() = 0;
    /* 21 */ virtual void unusedSlot21() = 0;
    /* 22 */ virtual void unusedSlot22() = 0;
    /* 23 */ virtual void unusedSlot23() = 0;
    /* 24 */ virtual void unusedSlot24() = 0;
    /* 25 */ virtual void startPushStream(const SdkPushStreamOption &option,
                                          SdkPushSuccessCallback success, SdkErrorCallback error,
                                          void *context) = 0;
    /* 26 */ virtual void stopPushStream(std::uint64_t channelId, int options,
                                         SdkSuccessCallback success, SdkErrorCallback error,
                                         void *context) = 0;
    /* 27 */ virtual void startRecordVideo(const SdkRecordOption &option,
                                           SdkSuccessCallback success, SdkErrorCallback error,
                                           void *context) = 0;
    /* 28 */ virtual void stopRecordVideo(int options, SdkTextListCallback success,
                                          SdkErrorCallback error, void *context) = 0;
    /* 29 */ virtual void unusedSlot29() = 0;
    /* 30 */ virtual void unusedSlot30() = 0;
    /* 31 */ virtual void unusedSlot31() = 0;
    /* 32 */ virtual void unusedSlot32() = 0;
    /* 33 */ virtual void unusedSlot33() = 0;
    /* 34 */ virtual int getCameraList(SdkList<SdkDeviceEntry> &cameras) = 0;
    /* 35 */ virtual int getMicList(SdkList<SdkDeviceEntry> &microphones) = 0;
    /* 36 */ virtual int getWindowList(SdkList<SdkWindowEntry> &windows) = 0;
    /* 37 */ virtual void unusedSlot37() = 0;
    /* 38 */ virtual void unusedSlot38() = 0;
    /* 39 */ virtual void unusedSlot39() = 0;
    /* 40 */ virtual void unusedSlot40() = 0;
    /* 41 */ virtual void unusedSlot41() = 0;
    /* 42 */ virtual int openCamera(const SdkString &deviceId) = 0;
    /* 43 */ virtual void unusedSlot43() = 0;
    /* 44 */ virtual void unusedSlot44() = 0;
    /* 45 */ virtual int closeMic() = 0;
    /* 46 */ virtual int openMic(const SdkString &deviceId) = 0;
    /* 47 */ virtual void unusedSlot47() = 0;
    /* 48 */ virtual void unusedSlot48() = 0;
    /* 49 */ virtual int closePlayer() = 0;
    /* 50 */ virtual int openScreenShare(int &left, int &top, int &right, int &bottom,
                                         int &rate) = 0;
    /* 51 */ virtual void unusedSlot51() = 0;
    /* 52 */ virtual void unusedSlot52() = 0;
    /* 53 */ virtual int closeScreenShare() = 0;
    /* 54 */ virtual int setRecordingText(const SdkString &text) = 0;
    /* 55 */ virtual int finishRecording() = 0;

protected:
    ~ILive() = default;
};

// A view the SDK draws a video stream into, on a native window of the program's.
class ILiveRootView
{
public:
    /* 0 */ virtual bool attachWindow(std::uintptr_t nativeWindow) = 0;
    /* 1 */ virtual void detachWindow() = 0;
    /* 2 */ virtual void release() = 0;
    /* 3 */ virtual int probeSupport() = 0;
    /* 4 */ virtual void setBackgroundColor(std::uint32_t argb) = 0;
    /* 5 */ virtual void setScaleMode(int mode) = 0;
    /* 6 */ virtual void unusedSlot6() = 0;
    /* 7 */ virtual void unusedSlot7() = 0;
    /* 8 */ virtual bool startRender(const SdkString &streamId, int source,
                                     const SdkRenderOption &option, int flags) = 0;
    /* 9 */ virtual void unusedSlot9() = 0;
    /* 10 */ virtual bool stopRender(int flags) = 0;

protected:
    ~ILiveRootView() = default;
};

extern "C" {
// The SDK's one main object; the same object on every call.
ILive *GetILive();
// A new render view; the caller gives it back with its release().
ILiveRootView *iLiveCreateRootView();
}
