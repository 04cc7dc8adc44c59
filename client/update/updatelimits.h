#pragma once

#include <QtGlobal>

// How long the update road waits on a silent server, and how large an archive it takes.
struct UpdateLimits
{
    // With no byte for this long, the version check or the download gives up.
    int transferTimeoutMs = 30000;
    // A larger archive, announced or received, is refused.
    qint64 maxArchiveBytes = qint64(512) * 1024 * 1024;
};
