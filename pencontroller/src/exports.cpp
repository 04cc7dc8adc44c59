// The library's exported C interface: each export forwards to its request.
#include "ScrivloController.h"

#include "requests.h"
#include "scrivlocontrollerctrl.h"

namespace req = scrivlo::requests;

namespace {
scrivlo::CallbackSlots &callbacks()
{
    return CScrivloControllerCtrl::instance().state().callbacks;
}
} // namespace

extern "C" {

int SCRIVLO_CALL openPort(void)
{
    return req::openPort();
}
int SCRIVLO_CALL connectDevice(void)
{
    return req::connectDevice();
}
int SCRIVLO_CALL searchDevice(void)
{
    return req::searchDevice();
}
int SCRIVLO_CALL connectDeviceByMac(const char *macText)
{
    return req::connectDeviceByMac(macText);
}
int SCRIVLO_CALL disconnectDevice(char *macText, char *name)
{
    return req::disconnectDevice(macText, name);
}
int SCRIVLO_CALL getDeviceBleInfo(char *macText, char *name)
{
    return req::getDeviceBleInfo(macText, name);
}
int SCRIVLO_CALL getDGBleInfo(char *macText, char *name)
{
    return req::getDGBleInfo(macText, name);
}
int SCRIVLO_CALL getDGVersion(char *version)
{
    return req::getDGVersion(version);
}
int SCRIVLO_CALL setDGBleName(const char *name)
{
    return req::setDGBleName(name);
}

int SCRIVLO_CALL switchToRealTimeMode(void)
{
    return req::switchToRealTimeMode();
}
int SCRIVLO_CALL switchToUploadMode(void)
{
    return req::switchToUploadMode();
}
int SCRIVLO_CALL queryFileConut(int *count)
{
    return req::queryFileCount(count);
}
int SCRIVLO_CALL transferOldestFile(void)
{
    return req::transferFile(false);
}
int SCRIVLO_CALL transferNewestFile(void)
{
    return req::transferFile(true);
}
int SCRIVLO_CALL getUploadFileInfo(int *size, int *second)
{
    return req::getUploadFileInfo(size, second);
}
int SCRIVLO_CALL stopTransfer(void)
{
    return req::stopTransfer();
}
int SCRIVLO_CALL GetUploadFile(void)
{
    return req::getUploadFile();
}
int SCRIVLO_CALL deleteUploadFile(void)
{
    return req::deleteUploadFile();
}

int SCRIVLO_CALL getDeviceDataTimeWithSecond(int *clock)
{
    return req::getDeviceDateTime(clock);
}
int SCRIVLO_CALL setDeviceDateTimeWithSecond(int clock)
{
    return req::setDeviceDateTime(clock);
}
int SCRIVLO_CALL getDeviceName(char *name)
{
    return req::getDeviceName(name);
}
int SCRIVLO_CALL setDeviceName(const char *name)
{
    return req::setDeviceName(name);
}
int SCRIVLO_CALL getDeviceFirmwareVersion(char *text1, char *text2)
{
    return req::getDeviceFirmwareVersion(text1, text2);
}
int SCRIVLO_CALL getDeviceRatio(int *longSide, int *shortSide)
{
    return req::getDeviceRatio(longSide, shortSide);
}
int SCRIVLO_CALL getDeviceBatteryState(int *value1, int *value2)
{
    return req::getDeviceBatteryState(value1, value2);
}
int SCRIVLO_CALL hardwareReset(void)
{
    return req::reset(false);
}
int SCRIVLO_CALL factoryReset(void)
{
    return req::reset(true);
}
int SCRIVLO_CALL getDeviceSN(char *serial)
{
    return req::getDeviceSN(serial);
}
int SCRIVLO_CALL setDeviceSN(const char *serial)
{
    return req::setDeviceSN(serial);
}
int SCRIVLO_CALL scanBinaryCode(int *value)
{
    return req::scanBinaryCode(value);
}
int SCRIVLO_CALL setMonitorNum(const int *value)
{
    return req::setMonitorNum(value);
}

int SCRIVLO_CALL openFileEncryptionWithKey(const char *key)
{
    return req::setFileProtection(true, key);
}
int SCRIVLO_CALL closeFileEncryptionByKey(const char *key)
{
    return req::setFileProtection(false, key);
}
int SCRIVLO_CALL verifyFileEncryptionByKey(const char *key)
{
    return req::verifyFileProtectionKey(key);
}
int SCRIVLO_CALL queryFileEncryptionStatus(int *status)
{
    return req::queryFileProtectionStatus(status);
}

int SCRIVLO_CALL testOnLigh(void)
{
    return req::testLight(true);
}
int SCRIVLO_CALL testOffLigh(void)
{
    return req::testLight(false);
}
int SCRIVLO_CALL testOnA5BlueLigh(void)
{
    return req::testA5Light(2);
}
int SCRIVLO_CALL testOnA5WhiteLigh(void)
{
    return req::testA5Light(1);
}
int SCRIVLO_CALL testOffA5Ligh(void)
{
    return req::testA5Light(0);
}

void SCRIVLO_CALL SetCallBackForRealTimePenDatas(CallBackForRealTimePenDatas cb)
{
    callbacks().realTime.install(cb);
}
void SCRIVLO_CALL SetCallBackForConnectDeviceSuccess(CallBackForConnectDeviceSuccess cb)
{
    callbacks().connect.install(cb);
}
void SCRIVLO_CALL SetCallBackForSearchDevice(CallBackForSearchDevice cb)
{
    callbacks().search.install(cb);
}
void SCRIVLO_CALL SetCallBackForButton(CallBackForButton cb)
{
    callbacks().button.install(cb);
}
void SCRIVLO_CALL SetCallBackForUploadFileStatus(CallBackForUploadFileStatus cb)
{
    callbacks().uploadStatus.install(cb);
}
void SCRIVLO_CALL SetCallBackForUploadFilePenData(CallBackForUploadFilePenData cb)
{
    callbacks().uploadPenData.install(cb);
}
void SCRIVLO_CALL
SetCallBackForUploadFilePenDataWithPercentage(CallBackForUploadFilePenDataWithPercentage cb)
{
    callbacks().uploadPenDataWithPercentage.install(cb);
}

} // extern "C"
