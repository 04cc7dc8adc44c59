#include "penmapping.h"

#include <QtGlobal>

namespace {

constexpr int kPenFrameUnits = 15000;
constexpr int kPageTopMargin = 1500;

// In 64 bits: a tall area times a far pen position must not overflow before the division.
int scaled(int value, int height)
{
    return static_cast<int>(static_cast<qint64>(value) * height / kPenFrameUnits);
}

} // namespace

QPoint penFrameFromDevice(int x, int y)
{
    return {y - kPageTopMargin, kPenFrameUnits - x};
}

QPointF mapPenPointInto(const QRect &drawingArea, int viewHeight, int x, int y)
{
    if (drawingArea.isNull())
        return QPointF(scaled(x, viewHeight), scaled(y, viewHeight));
    const int height = drawingArea.bottom() - drawingArea.top() + 1;
    return QPointF(scaled(x, height) + drawingArea.left(), scaled(y, height) + drawingArea.top());
}
