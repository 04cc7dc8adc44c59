#ifndef SCRIVLOCONTROLLER_H
#define SCRIVLOCONTROLLER_H

/*
 * The pen library's exported interface: 47 plain C functions.
 *
 * Requests return a PenResult and run on the caller's thread; callbacks run on the library's
 * worker thread. Text goes in as NUL-terminated 8-bit strings. Text comes out into buffers the
 * caller supplies and zero-fills beforehand: the bytes of the text are copied with no
 * terminating NUL and no size is passed.
 *
 * Every text output fits in 251 bytes (at most 250 text bytes and the caller's zero after them);
 * a device address text is 17 bytes ("%02X-%02X-%02X-%02X-%02X-%02X").
 *
 * Integer outputs are written only when the request returns PenOk; text buffers are left as they
 * were on every other result. A null pointer argument gives PenBadArgument before anything is
 * sent.
 */

#if defined(_WIN32)
#define SCRIVLO_CALL __stdcall
#else
#define SCRIVLO_CALL
#endif

#if defined(_WIN32)
#define SCRIVLO_EXPORT
#elif defined(__GNUC__)
#define SCRIVLO_EXPORT __attribute__((visibility("default")))
#else
#define SCRIVLO_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of the requests. The two data-protection mode requests return -3 in every case. */
enum PenResult
{
    PenOk = 0,
    PenFailed = -1,      /* refused, or no receiver found */
    PenTimeout = -2,     /* no reply in time, or the port is not open */
    PenBadArgument = -4, /* nothing was sent */
    PenKeyRejected = -5
};

typedef void(SCRIVLO_CALL *CallBackForRealTimePenDatas)(int x, int y, int pressure);
typedef void(SCRIVLO_CALL *CallBackForConnectDeviceSuccess)(const char *macText, const char *name);
typedef void(SCRIVLO_CALL *CallBackForSearchDevice)(const char *macText, const char *name,
                                                    int trailingByte);
typedef void(SCRIVLO_CALL *CallBackForButton)(int code);
typedef void(SCRIVLO_CALL *CallBackForUploadFileStatus)(int bytesSinceLastReport, int percent,
                                                        int announcedSize);
typedef void(SCRIVLO_CALL *CallBackForUploadFilePenData)(int x, int y, int pressure);
typedef void(SCRIVLO_CALL *CallBackForUploadFilePenDataWithPercentage)(int x, int y, int pressure,
                                                                       int percent);

/* Port and receiver. openPort finds the receiver among the serial ports and keeps its port open. */
SCRIVLO_EXPORT int SCRIVLO_CALL openPort(void);
SCRIVLO_EXPORT int SCRIVLO_CALL connectDevice(void);
SCRIVLO_EXPORT int SCRIVLO_CALL searchDevice(void);
SCRIVLO_EXPORT int SCRIVLO_CALL connectDeviceByMac(const char *macText);
SCRIVLO_EXPORT int SCRIVLO_CALL disconnectDevice(char *macText, char *name);
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceBleInfo(char *macText, char *name);
SCRIVLO_EXPORT int SCRIVLO_CALL getDGBleInfo(char *macText, char *name);
SCRIVLO_EXPORT int SCRIVLO_CALL getDGVersion(char *version);
SCRIVLO_EXPORT int SCRIVLO_CALL setDGBleName(const char *name);

/* Pen modes and upload of stored strokes. */
SCRIVLO_EXPORT int SCRIVLO_CALL switchToRealTimeMode(void);
SCRIVLO_EXPORT int SCRIVLO_CALL switchToUploadMode(void);
SCRIVLO_EXPORT int SCRIVLO_CALL queryFileConut(int *count);
SCRIVLO_EXPORT int SCRIVLO_CALL transferOldestFile(void);
SCRIVLO_EXPORT int SCRIVLO_CALL transferNewestFile(void);
SCRIVLO_EXPORT int SCRIVLO_CALL getUploadFileInfo(int *size, int *second);
SCRIVLO_EXPORT int SCRIVLO_CALL stopTransfer(void);
SCRIVLO_EXPORT int SCRIVLO_CALL GetUploadFile(void);
SCRIVLO_EXPORT int SCRIVLO_CALL deleteUploadFile(void);

/* Pen information and settings. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceDataTimeWithSecond(int *clock);
SCRIVLO_EXPORT int SCRIVLO_CALL setDeviceDateTimeWithSecond(int clock);
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceName(char *name);
SCRIVLO_EXPORT int SCRIVLO_CALL setDeviceName(const char *name);
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceFirmwareVersion(char *text1, char *text2);
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceRatio(int *longSide, int *shortSide);
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceBatteryState(int *value1, int *value2);
SCRIVLO_EXPORT int SCRIVLO_CALL hardwareReset(void);
SCRIVLO_EXPORT int SCRIVLO_CALL factoryReset(void);
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceSN(char *serial);
SCRIVLO_EXPORT int SCRIVLO_CALL setDeviceSN(const char *serial);
SCRIVLO_EXPORT int SCRIVLO_CALL scanBinaryCode(int *value);
SCRIVLO_EXPORT int SCRIVLO_CALL setMonitorNum(const int *value);

/* Data protection of the stored files. */
SCRIVLO_EXPORT int SCRIVLO_CALL openFileEncryptionWithKey(const char *key);
SCRIVLO_EXPORT int SCRIVLO_CALL closeFileEncryptionByKey(const char *key);
SCRIVLO_EXPORT int SCRIVLO_CALL verifyFileEncryptionByKey(const char *key);
SCRIVLO_EXPORT int SCRIVLO_CALL queryFileEncryptionStatus(int *status);

/* Test lights. */
SCRIVLO_EXPORT int SCRIVLO_CALL testOnLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOffLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOnA5BlueLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOnA5WhiteLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOffA5Ligh(void);

/* Callback setters: a later call replaces the earlier pointer; null means none. */
SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForRealTimePenDatas(CallBackForRealTimePenDatas cb);
SCRIVLO_EXPORT void SCRIVLO_CALL
SetCallBackForConnectDeviceSuccess(CallBackForConnectDeviceSuccess cb);
SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForSearchDevice(CallBackForSearchDevice cb);
SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForButton(CallBackForButton cb);
SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForUploadFileStatus(CallBackForUploadFileStatus cb);
SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForUploadFilePenData(CallBackForUploadFilePenData cb);
SCRIVLO_EXPORT void SCRIVLO_CALL
SetCallBackForUploadFilePenDataWithPercentage(CallBackForUploadFilePenDataWithPercentage cb);

#ifdef __cplusplus
}
#endif

#endif
