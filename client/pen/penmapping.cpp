#include "penmapping.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace {

constexpr int kPenFrameUnits = 15000;
constexpr int kPageTopMargin = 1500;

// In 64 bits: a tall area times a far pen position must not overflow before the division.
int scaled(int value, int height)
{
    return static_cast<int>(static_cast<qint64>(value) * height / kPenFrameUnits);
}

// Kept within int: the page's numbers are the page's to choose.
int zoomed(int edge, double zoom)
{
    const double limit = std::numeric_limits<int>::max();
    return static_cast<int>(qBound(-limit, std::round(edge * zoom), limit));
}

} // namespace

QPoint penFrameFromDevice(int x, int y)
{
    return {y - kPageTopMargin, kPenFrameUnits - x};
}

QRect drawingAreaInView(const QRect &pageArea, double zoom)
{
    if (pageArea.isNull())
        return pageArea;
    return QRect(QPoint(zoomed(pageArea.left(), zoom), zoomed(pageArea.top(), zoom)),
                 QPoint(zoomed(pageArea.right(), zoom), zoomed(pageArea.bottom(), zoom)));
}

QPointF mapPenPointInto(const QRect &drawingArea, int viewHeight, int x, int y)
{
    if (drawingArea.isNull())
        return QPointF(scaled(x, viewHeight), scaled(y, viewHeight));
    const int height = drawingArea.bottom() - drawingArea.top() + 1;
    return QPointF(scaled(x, height) + drawingArea.left(), scaled(y, height) + drawingArea.top());
}
