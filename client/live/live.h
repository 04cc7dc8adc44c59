#pragma once

#include <ilive/sdklist.h>
#include <ilive/sdkstring.h>

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>

class LiveOwner;

// The client's one controller of the live SDK: logs in as the host of a room, creates it, then
// opens the screen share over the owner window, the first camera and the first microphone, and
// pushes and records the stream when the login asked for it. Belongs to the GUI thread; the SDK
// answers there too.
class Live : public QObject
{
public:
    // The one controller, made on first use; null only when it could not be made.
    static Live *instance();
    // Logs out when logged in, then destroys the controller. Answers the SDK gives later are
    // dropped.
    static void DestroyLiveSdk();

    ~Live() override;

    // Stores the values on every call; initialises the SDK and logs in only when not logged in.
    // Returns -1 when the SDK could not be initialised, 0 otherwise.
    int Login(LiveOwner *owner, const QString &userid, const QString &usersig, int roomnum,
              int bpush, int brecord);
    // Creates the room of the last Login; the argument is not used.
    void CreateRoom(int roomnum);
    // Closes what is open, stops what runs and leaves the room; the SDK logout follows.
    int LogOut();
    int StartPushStream();
    int StartRecord();
    int StopPushStream();
    int StopRecord();

private:
    friend class LiveCallbacks;

    Live();

    int OpenScreenShare(const std::string &name);
    int OpenCamera(const std::string &name);
    int OpenMic(const std::string &name);
    int PrepareRecording(const SdkString &text);
    int FinishRecording();
    int CloseScreenShare();
    int CloseMic();
    int ClosePlayer();
    int ProbeRenderMode();
    void StartRoom();
    void tellPage(int result);

    LiveOwner *owner = nullptr;
    std::int32_t shareRate = 10;
    SdkList<SdkWindowEntry> windowList;
    SdkList<SdkDeviceEntry> cameraList;
    SdkList<SdkDeviceEntry> micList;
    QString userSig;
    std::int32_t roomNum = 0;
    bool pushWanted = false;
    bool recordWanted = false;
    bool pushing = false;
    bool loggedIn = false;
    bool cameraOpened = false;
    bool recording = false;
    bool micOpened = false;
    bool screenShareOpened = false;
    std::uint64_t pushChannelId = 0;
};
