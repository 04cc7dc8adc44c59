#include "penlibrary.h"

#include "programnames.h"

#include <QFile>

#include <dlfcn.h>

PenEntryPoints penEntryPoints;

QByteArray plainExportName(const char *decoratedName)
{
    QByteArray name(decoratedName);
    const int at = name.lastIndexOf('@');
    if (name.startsWith('_') && at > 1) {
        const QByteArray argumentBytes = name.mid(at + 1);
        bool isNumber = false;
        argumentBytes.toUInt(&isNumber);
        if (isNumber)
            return name.mid(1, at - 1);
    }
    return name;
}

bool PenEntryPoints::usable() const
{
    return setCallBackForRealTimePenDatas && setCallBackForConnectDeviceSuccess && connectDevice &&
           switchToRealTimeMode && openPort;
}

namespace {

template <typename Function> void lookUp(void *library, const char *decoratedName, Function &out)
{
    out = reinterpret_cast<Function>(::dlsym(library, plainExportName(decoratedName).constData()));
}

} // namespace

PenEntryPoints bindPenEntryPoints(void *library)
{
    PenEntryPoints e;
    e.library = library;
    lookUp(library, penExportNames[0], e.setCallBackForRealTimePenDatas);
    lookUp(library, penExportNames[1], e.setCallBackForConnectDeviceSuccess);
    lookUp(library, penExportNames[2], e.connectDevice);
    lookUp(library, penExportNames[3], e.switchToRealTimeMode);
    lookUp(library, penExportNames[4], e.disconnectDevice);
    lookUp(library, penExportNames[5], e.getDeviceName);
    lookUp(library, penExportNames[6], e.getDeviceSN);
    lookUp(library, penExportNames[7], e.openPort);
    return e;
}

void *openPenLibrary(const QString &programFolder)
{
    if (!programFolder.isEmpty()) {
        const QByteArray path =
            QFile::encodeName(programFolder + QLatin1String(programnames::kPenLibrary));
        if (void *library = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return ::dlopen(programnames::kPenLibrary, RTLD_NOW | RTLD_LOCAL);
}

void closePenLibrary(void *library)
{
    if (!library)
        return;
    if (penEntryPoints.library == library)
        penEntryPoints = PenEntryPoints();
    ::dlclose(library);
}
