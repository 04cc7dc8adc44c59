#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Control of the simulated SDK, for tests and for whole-program runs. Everything here runs on the
// thread of the application's event loop, as the SDK's own requests do.
//
// A whole program takes its script from the environment variable ILIVE_SIMULATION when the SDK is
// first used (see applyScript for the form).
namespace ilivesim {

// The requests that are answered through callbacks.
enum class Request
{
    Login,
    Logout,
    CreateRoom,
    QuitRoom,
    StartPushStream,
    StopPushStream,
    StartRecordVideo,
    StopRecordVideo,
};

struct Outcome
{
    bool success = true;
    int code = 0;
    std::string description;
};

struct Device
{
    std::string id;
    std::string name;
};

struct Window
{
    std::uint32_t handle = 0;
    std::string title;
};

enum class Delivery
{
    // Each answer is posted to the event loop and delivered when it runs.
    Queued,
    // Answers wait until deliverHeld().
    Held,
};

// What createRoom was last given.
struct RoomOptionSeen
{
    std::int32_t mode = 0;
    std::int32_t roomNumber = 0;
    std::string token;
    bool createIfMissing = false;
    std::int32_t privilege[2] = {0, 0};
    std::string role;
    std::string group;
    bool audioOn = false;
    bool videoOn = false;
    bool speakerOn = false;
    std::int32_t timeoutMs = 0;
    bool hasDisconnectCallback = false;
    bool hasRoomEventCallback = false;
    void *context = nullptr;
};

// Back to the defaults: every request succeeds, init returns 0, render probe answers 1, one camera
// and one microphone, the window list is the application's top-level windows, queued delivery,
// nothing logged in, no calls recorded. Answers still on their way are dropped.
void reset();

// Applies "key=value" items separated by ';': init=<int>, probe=<int>, version=<text>,
// <request>=ok | <request>=error:<code>:<description> (request: login, logout, createRoom,
// quitRoom, startPushStream, stopPushStream, startRecordVideo, stopRecordVideo),
// cameras=<id>/<name>,... and mics=... (empty: no devices), pushUrls=<url>,..., channel=<number>,
// recordTexts=<text>,... Returns false when an item was not understood; the others still apply.
bool applyScript(const std::string &script);

void setInitResult(int result);
void setOutcome(Request request, const Outcome &outcome);
void setProbeSupport(int result);
void setVersion(const std::string &version);
void setCameras(const std::vector<Device> &cameras);
void setMics(const std::vector<Device> &microphones);
void setWindows(const std::vector<Window> &windows);
// The window list goes back to the application's top-level windows.
void useApplicationWindows();
void setPushResult(const std::vector<std::string> &urls, std::uint64_t channelId);
void setStopRecordTexts(const std::vector<std::string> &texts);
void setDelivery(Delivery delivery);

// Answers posted or held and not yet delivered.
int pendingAnswers();
// Delivers the held answers, in the order they were made, on the calling thread.
void deliverHeld();

// Every operation the program called, in order, one text each (for example "login(alice,sig)").
std::vector<std::string> calls();
void clearCalls();
// Told every call as it is recorded.
void setCallObserver(std::function<void(const std::string &)> observer);

RoomOptionSeen lastRoomOption();
bool loggedIn();
bool inRoom();

// Events the SDK raises on its own, delivered like answers, to what the program registered.
void raiseRoomDisconnect(int reason, const std::string &info);
void raiseRoomEvent(int event, const std::vector<std::string> &ids);
void raiseDeviceOperation(int operation, int result);
void raiseNoopA(int value);
void raiseNoopB();

// Blocks of the SDK's heap not yet freed.
long heapBlocks();

// Render views made and not yet released.
int rootViewsAlive();

} // namespace ilivesim
