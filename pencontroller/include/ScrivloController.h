#ifndef SCRIVLOCONTROLLER_H
#define SCRIVLOCONTROLLER_H

/*
 * The pen library's exported interface: 47 plain C functions. The client uses eight of them
 * (client/pen/penlibrary.h); the others are kept for its other callers, nothing here calls them.
 *
 * Requests return a PenResult and run on the caller's thread. A request marked "waits" sends its
 * command and waits for the reply: at least about 100 ms, PenTimeout after 1 s without one (or
 * when no port is open). The others only send, and give PenTimeout when no port is open.
 *
 * Callbacks run on the library's worker thread, the one that reads every reply: while a callback
 * runs, no reply can arrive. Inside a callback a request still sends its command, but one that
 * waits returns PenTimeout at once, and openPort returns PenFailed. Make such calls after the
 * callback has returned. The strings handed to a callback live only during the call.
 *
 * Text goes in as NUL-terminated 8-bit strings. Text comes out into buffers the caller supplies
 * and zero-fills beforehand: the bytes of the text are copied with no terminating NUL and no size
 * is passed. A text output is at most 250 bytes, so 251 zero-filled bytes always read as a C
 * string. An address text is exactly 17 bytes ("%02X-%02X-%02X-%02X-%02X-%02X"): give it 18.
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

/* Port and receiver. */
/* Waits, port by port: probes the serial ports in turn (about 1 s for each that does not answer)
   and keeps the receiver's port open. PenFailed when none answers, and inside a callback, where
   the open port is left as it is. */
SCRIVLO_EXPORT int SCRIVLO_CALL openPort(void);
/* The connect callback reports the connection. Paces the caller for up to 1 s, then PenOk. */
SCRIVLO_EXPORT int SCRIVLO_CALL connectDevice(void);
/* The search callback reports each pen found. Paces the caller for 1 s, then PenOk. */
SCRIVLO_EXPORT int SCRIVLO_CALL searchDevice(void);
/* macText: exactly 17 characters, two hex digits for each byte, 3 characters apart; else
   PenBadArgument with nothing sent. Disconnects first, then as connectDevice. */
SCRIVLO_EXPORT int SCRIVLO_CALL connectDeviceByMac(const char *macText);
/* Waits. Out: the address text (18 bytes) and name of the pen that was connected. */
SCRIVLO_EXPORT int SCRIVLO_CALL disconnectDevice(char *macText, char *name);
/* Waits. Out: the connected pen's address text (18 bytes) and name. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceBleInfo(char *macText, char *name);
/* Waits. Out: the receiver's address text (18 bytes) and name. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDGBleInfo(char *macText, char *name);
/* Waits. Out: the receiver's version text. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDGVersion(char *version);
/* Waits. name: at most 16 bytes, else PenBadArgument with nothing sent. PenFailed when the
   receiver refuses it. */
SCRIVLO_EXPORT int SCRIVLO_CALL setDGBleName(const char *name);

/* Pen modes and upload of stored strokes. */
/* Waits. */
SCRIVLO_EXPORT int SCRIVLO_CALL switchToRealTimeMode(void);
/* Waits; on PenTimeout also sends stopTransfer's command. */
SCRIVLO_EXPORT int SCRIVLO_CALL switchToUploadMode(void);
/* Waits. Out: the number of stored files. */
SCRIVLO_EXPORT int SCRIVLO_CALL queryFileConut(int *count);
/* Both wait for the pen's announcement; on PenTimeout they also send stopTransfer's command. The
   data follows, reported by the upload status callback, with percent 100 once it has arrived
   whole and matched its CRC. An upload of more than 11,000,000 bytes never completes: it is
   dropped with a line on standard error. */
SCRIVLO_EXPORT int SCRIVLO_CALL transferOldestFile(void);
SCRIVLO_EXPORT int SCRIVLO_CALL transferNewestFile(void);
/* Sends nothing. Out: the two values the pen announced for the last transfer request, 0 and 0
   until it announces. */
SCRIVLO_EXPORT int SCRIVLO_CALL getUploadFileInfo(int *size, int *second);
/* No reply. */
SCRIVLO_EXPORT int SCRIVLO_CALL stopTransfer(void);
/* PenBadArgument until an upload has completed since the last transfer request. Returns at once;
   every point then reaches the upload point callbacks, again on every call. */
SCRIVLO_EXPORT int SCRIVLO_CALL GetUploadFile(void);
/* Waits; PenFailed when the pen refuses. On PenTimeout also sends stopTransfer's command. */
SCRIVLO_EXPORT int SCRIVLO_CALL deleteUploadFile(void);

/* Pen information and settings. */
/* Waits. Out: the pen's clock. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceDataTimeWithSecond(int *clock);
/* Waits. */
SCRIVLO_EXPORT int SCRIVLO_CALL setDeviceDateTimeWithSecond(int clock);
/* Waits. Out: the pen's name. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceName(char *name);
/* Waits. name: at most 13 bytes, else PenBadArgument with nothing sent. */
SCRIVLO_EXPORT int SCRIVLO_CALL setDeviceName(const char *name);
/* Waits twice, once for each text; PenTimeout only when neither arrived. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceFirmwareVersion(char *text1, char *text2);
/* Waits twice (the firmware texts). Out: 21000 and 14800 for an A5 pen, else 29700 and 21000,
   also when the pen does not answer. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceRatio(int *longSide, int *shortSide);
/* Waits. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceBatteryState(int *value1, int *value2);
/* Both wait for the receiver's acknowledgement. */
SCRIVLO_EXPORT int SCRIVLO_CALL hardwareReset(void);
SCRIVLO_EXPORT int SCRIVLO_CALL factoryReset(void);
/* Waits. Out: the serial text. */
SCRIVLO_EXPORT int SCRIVLO_CALL getDeviceSN(char *serial);
/* Waits. serial: exactly 10 bytes, else PenBadArgument with nothing sent. */
SCRIVLO_EXPORT int SCRIVLO_CALL setDeviceSN(const char *serial);
/* Waits, for up to 5 s. */
SCRIVLO_EXPORT int SCRIVLO_CALL scanBinaryCode(int *value);
/* No reply; sends the low 16 bits of *value. */
SCRIVLO_EXPORT int SCRIVLO_CALL setMonitorNum(const int *value);

/* Data protection of the stored files. */
/* Both wait and return -3 in every case; a key that is not exactly 8 bytes is not sent. */
SCRIVLO_EXPORT int SCRIVLO_CALL openFileEncryptionWithKey(const char *key);
SCRIVLO_EXPORT int SCRIVLO_CALL closeFileEncryptionByKey(const char *key);
/* Waits. key: exactly 8 bytes, else PenBadArgument with nothing sent. PenKeyRejected when the pen
   refuses it; the upload requests waiting meanwhile return PenKeyRejected too. */
SCRIVLO_EXPORT int SCRIVLO_CALL verifyFileEncryptionByKey(const char *key);
/* Waits. */
SCRIVLO_EXPORT int SCRIVLO_CALL queryFileEncryptionStatus(int *status);

/* Test lights: no reply. */
SCRIVLO_EXPORT int SCRIVLO_CALL testOnLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOffLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOnA5BlueLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOnA5WhiteLigh(void);
SCRIVLO_EXPORT int SCRIVLO_CALL testOffA5Ligh(void);

/* Callback setters: a later call replaces the earlier pointer; null means none. */
SCRIVLO_EXPORT void SCRIVLO_CALL SetCallBackForRealTimePenDatas(CallBackForRealTimePenDatas cb);
/* macText and name live only during the call: copy what is kept. */
SCRIVLO_EXPORT void SCRIVLO_CALL
SetCallBackForConnectDeviceSuccess(CallBackForConnectDeviceSuccess cb);
/* macText and name live only during the call: copy what is kept. */
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
