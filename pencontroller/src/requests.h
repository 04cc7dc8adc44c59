#pragma once

#include "ScrivloController.h"

// The requests behind the exports. The exports only forward to these, and the library never
// calls an export itself, so a caller's symbol of the same name cannot take over internal calls.
namespace scrivlo::requests {

int openPort();
int connectDevice();
int searchDevice();
int connectDeviceByMac(const char *macText);
int disconnectDevice(char *macText, char *name);
int getDeviceBleInfo(char *macText, char *name);
int getDGBleInfo(char *macText, char *name);
int getDGVersion(char *version);
int setDGBleName(const char *name);

int switchToRealTimeMode();
int switchToUploadMode();
int queryFileCount(int *count);
int transferFile(bool newest);
int getUploadFileInfo(int *size, int *second);
int stopTransfer();
int getUploadFile();
int deleteUploadFile();

int getDeviceDateTime(int *clock);
int setDeviceDateTime(int clock);
int getDeviceName(char *name);
int setDeviceName(const char *name);
int getDeviceFirmwareVersion(char *text1, char *text2);
int getDeviceRatio(int *longSide, int *shortSide);
int getDeviceBatteryState(int *value1, int *value2);
int reset(bool factory);
int getDeviceSN(char *serial);
int setDeviceSN(const char *serial);
int scanBinaryCode(int *value);
int setMonitorNum(const int *value);

int setFileProtection(bool on, const char *key);
int verifyFileProtectionKey(const char *key);
int queryFileProtectionStatus(int *status);

int testLight(bool on);
int testA5Light(int mode);

} // namespace scrivlo::requests
