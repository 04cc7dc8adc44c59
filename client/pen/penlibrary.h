#pragma once

#include "ScrivloController.h"

#include <QByteArray>
#include <QString>

#include <array>

// The pen library's exports that the pen handler binds, named as the library's interface names
// them (with the calling convention's decoration), in the order in which they are looked up.
inline constexpr std::array<const char *, 8> penExportNames = {
    "_SetCallBackForRealTimePenDatas@4",
    "_SetCallBackForConnectDeviceSuccess@4",
    "_connectDevice@0",
    "_switchToRealTimeMode@0",
    "_disconnectDevice@8",
    "_getDeviceName@4",
    "_getDeviceSN@4",
    "_openPort@0",
};

// The name a decorated export carries in this platform's shared library: "_openPort@0" is
// exported as "openPort" (ELF names cannot hold the "@" of the decoration). A name without the
// decoration is taken as it is.
QByteArray plainExportName(const char *decoratedName);

// The bound entry points; a null pointer is an export the library does not have.
struct PenEntryPoints
{
    decltype(&::SetCallBackForRealTimePenDatas) setCallBackForRealTimePenDatas = nullptr;
    decltype(&::SetCallBackForConnectDeviceSuccess) setCallBackForConnectDeviceSuccess = nullptr;
    decltype(&::connectDevice) connectDevice = nullptr;
    decltype(&::switchToRealTimeMode) switchToRealTimeMode = nullptr;
    decltype(&::disconnectDevice) disconnectDevice = nullptr;
    decltype(&::getDeviceName) getDeviceName = nullptr;
    decltype(&::getDeviceSN) getDeviceSN = nullptr;
    decltype(&::openPort) openPort = nullptr;
    // The library handle they were looked up in.
    void *library = nullptr;

    // The five that the pen handler calls are all there.
    bool usable() const;
};

// Looks every export of penExportNames up in library, in the table's order.
PenEntryPoints bindPenEntryPoints(void *library);

// The entry points of the last load, for the whole process; GUI thread only.
extern PenEntryPoints penEntryPoints;

// Loads the pen library: first the file in programFolder (which ends in "/"; empty to skip it),
// then by its bare name through the system's search. Null when neither loads.
void *openPenLibrary(const QString &programFolder);

// Unloads library; when penEntryPoints came from it, they are cleared, so that nothing calls
// into a library that may be gone.
void closePenLibrary(void *library);
