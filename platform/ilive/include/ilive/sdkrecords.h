#pragma once

#include "sdkcallbacks.h"
#include "sdklist.h"
#include "sdkstring.h"

#include <cstddef>
#include <cstdint>

// The option and result records of the SDK's interface. Field order and widths are the SDK's;
// the byte offsets of the 32-bit SDK are checked where pointers are 32 bits wide.

struct SdkRoomOption
{
    std::int32_t mode = 1;
    std::int32_t roomNumber = 0;
    SdkString token;
    bool createIfMissing = true;
    std::int32_t privilege[2] = {-1, -1};
    SdkString role;
    SdkString group;
    bool audioOn = true;
    bool videoOn = true;
    bool speakerOn = true;
    std::int32_t timeoutMs = 1000;
    std::int32_t reserved40 = 0;
    SdkRoomDisconnectCallback onDisconnect = nullptr;
    SdkRoomEventCallback onRoomEvent = nullptr;
    std::int32_t reserved52[2] = {0, 0};
    void *context = nullptr;
};

struct SdkPushStreamOption
{
    std::int32_t mode = 0;
    std::int32_t encoding = 1;
    std::int32_t quality = 0;
    std::int32_t recordType = 0;
    std::int32_t audioOn = 1;
    std::int32_t reserved = 0;
};

struct SdkRecordOption
{
    std::int32_t mode = 0;
    SdkString fileName;
    std::int32_t reserved = 0;
};

struct SdkPushResult
{
    SdkList<SdkPushUrlEntry> urls;
    std::int32_t reserved = 0;
    std::uint64_t channelId = 0;
};

// Handed to a render view when it starts drawing a stream.
struct SdkRenderOption
{
    std::int32_t layout = 0;
    bool mirrored = false;
    std::uint8_t reserved5[3] = {0, 0, 0};
    std::int32_t area[4] = {0, 0, 0, 0};
    std::int32_t scale = 0;
};

static_assert(sizeof(SdkPushStreamOption) == 24, "six int32");
static_assert(sizeof(SdkRenderOption) == 28 && offsetof(SdkRenderOption, scale) == 24,
              "render option");

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SdkRoomOption) == 64, "room option");
static_assert(offsetof(SdkRoomOption, roomNumber) == 4 && offsetof(SdkRoomOption, token) == 8 &&
                  offsetof(SdkRoomOption, createIfMissing) == 12 &&
                  offsetof(SdkRoomOption, privilege) == 16 && offsetof(SdkRoomOption, role) == 24 &&
                  offsetof(SdkRoomOption, group) == 28 && offsetof(SdkRoomOption, audioOn) == 32 &&
                  offsetof(SdkRoomOption, timeoutMs) == 36 &&
                  offsetof(SdkRoomOption, onDisconnect) == 44 &&
                  offsetof(SdkRoomOption, onRoomEvent) == 48 &&
                  offsetof(SdkRoomOption, reserved52) == 52 &&
                  offsetof(SdkRoomOption, context) == 60,
              "room option offsets");
static_assert(sizeof(SdkRecordOption) == 12 && offsetof(SdkRecordOption, fileName) == 4,
              "record option");
static_assert(offsetof(SdkPushResult, channelId) == 16, "push result");
#endif
