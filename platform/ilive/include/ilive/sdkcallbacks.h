#pragma once

#include <cstdint>

// Callbacks are plain functions that the caller cleans up after; the context is the pointer the
// program handed in with them.
#if defined(_WIN32) && !defined(_WIN64)
#define ILIVE_CALLBACK __cdecl
#else
#define ILIVE_CALLBACK
#endif

template <typename T> class SdkList;
class SdkString;
struct SdkPushResult;

using SdkSuccessCallback = void(ILIVE_CALLBACK *)(void *context);
using SdkErrorCallback = void(ILIVE_CALLBACK *)(int code, const char *description, void *context);
using SdkPushSuccessCallback = void(ILIVE_CALLBACK *)(const SdkPushResult &result, void *context);
using SdkTextListCallback = void(ILIVE_CALLBACK *)(const SdkList<SdkString> &texts, void *context);
using SdkRoomDisconnectCallback = void(ILIVE_CALLBACK *)(int reason, const char *info,
                                                         void *context);
using SdkRoomEventCallback = void(ILIVE_CALLBACK *)(int event, const SdkList<SdkString> &ids,
                                                    void *context);
using SdkDeviceOperationCallback = void(ILIVE_CALLBACK *)(int operation, int result, void *context);
using SdkValueCallback = void(ILIVE_CALLBACK *)(int value, void *context);
using SdkNotifyCallback = void(ILIVE_CALLBACK *)(void *context);
