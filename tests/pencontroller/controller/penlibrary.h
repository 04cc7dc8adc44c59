#pragma once

#include "ScrivloController.h"

#include <string>
#include <vector>

// Every export of the pen library: X(name, function type).
#define SCRIVLO_EXPORTS(X)                                                                         \
    X(openPort, int (*)())                                                                         \
    X(connectDevice, int (*)())                                                                    \
    X(searchDevice, int (*)())                                                                     \
    X(connectDeviceByMac, int (*)(const char *))                                                   \
    X(disconnectDevice, int (*)(char *, char *))                                                   \
    X(getDeviceBleInfo, int (*)(char *, char *))                                                   \
    X(getDGBleInfo, int (*)(char *, char *))                                                       \
    X(getDGVersion, int (*)(char *))                                                               \
    X(setDGBleName, int (*)(const char *))                                                         \
    X(switchToRealTimeMode, int (*)())                                                             \
    X(switchToUploadMode, int (*)())                                                               \
    X(queryFileConut, int (*)(int *))                                                              \
    X(transferOldestFile, int (*)())                                                               \
    X(transferNewestFile, int (*)())                                                               \
    X(getUploadFileInfo, int (*)(int *, int *))                                                    \
    X(stopTransfer, int (*)())                                                                     \
    X(GetUploadFile, int (*)())                                                                    \
    X(deleteUploadFile, int (*)())                                                                 \
    X(getDeviceDataTimeWithSecond, int (*)(int *))                                                 \
    X(setDeviceDateTimeWithSecond, int (*)(int))                                                   \
    X(getDeviceName, int (*)(char *))                                                              \
    X(setDeviceName, int (*)(const char *))                                                        \
    X(getDeviceFirmwareVersion, int (*)(char *, char *))                                           \
    X(getDeviceRatio, int (*)(int *, int *))                                                       \
    X(getDeviceBatteryState, int (*)(int *, int *))                                                \
    X(hardwareReset, int (*)())                                                                    \
    X(factoryReset, int (*)())                                                                     \
    X(getDeviceSN, int (*)(char *))                                                                \
    X(setDeviceSN, int (*)(const char *))                                                          \
    X(scanBinaryCode, int (*)(int *))                                                              \
    X(setMonitorNum, int (*)(const int *))                                                         \
    X(openFileEncryptionWithKey, int (*)(const char *))                                            \
    X(closeFileEncryptionByKey, int (*)(const char *))                                             \
    X(verifyFileEncryptionByKey, int (*)(const char *))                                            \
    X(queryFileEncryptionStatus, int (*)(int *))                                                   \
    X(testOnLigh, int (*)())                                                                       \
    X(testOffLigh, int (*)())                                                                      \
    X(testOnA5BlueLigh, int (*)())                                                                 \
    X(testOnA5WhiteLigh, int (*)())                                                                \
    X(testOffA5Ligh, int (*)())                                                                    \
    X(SetCallBackForRealTimePenDatas, void (*)(CallBackForRealTimePenDatas))                       \
    X(SetCallBackForConnectDeviceSuccess, void (*)(CallBackForConnectDeviceSuccess))               \
    X(SetCallBackForSearchDevice, void (*)(CallBackForSearchDevice))                               \
    X(SetCallBackForButton, void (*)(CallBackForButton))                                           \
    X(SetCallBackForUploadFileStatus, void (*)(CallBackForUploadFileStatus))                       \
    X(SetCallBackForUploadFilePenData, void (*)(CallBackForUploadFilePenData))                     \
    X(SetCallBackForUploadFilePenDataWithPercentage,                                               \
      void (*)(CallBackForUploadFilePenDataWithPercentage))

// Every export of the pen library as a pointer.
struct PenExports
{
    template <typename T> using Pointer = T;

#define SCRIVLO_MEMBER(name, type) Pointer<type> name = nullptr;
    SCRIVLO_EXPORTS(SCRIVLO_MEMBER)
#undef SCRIVLO_MEMBER
};

// The built library loaded the way the client loads it: dlopen of the program folder's file and
// each export looked up by its bare name.
class PenLibrary : public PenExports
{
public:
    PenLibrary();
    ~PenLibrary();
    PenLibrary(const PenLibrary &) = delete;
    PenLibrary &operator=(const PenLibrary &) = delete;

    bool loaded() const { return m_handle != nullptr; }
    // Names that dlsym did not find.
    const std::vector<std::string> &missing() const { return m_missing; }
    // Unloads now; false when dlclose failed.
    bool close();

    static std::string path();
    static std::vector<std::string> exportNames();

private:
    void *m_handle = nullptr;
    std::vector<std::string> m_missing;
};
