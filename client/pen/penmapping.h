#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>

// The pen's page (hundredths of a millimetre, x 0..21000, y 0..29700) turned a quarter into the
// pen frame in which the handler works: x' = y - 1500, y' = 15000 - x.
QPoint penFrameFromDevice(int x, int y);

// The page's drawing area (in the page's pixels) in the view's pixels, for a page shown at zoom:
// each edge scaled and rounded. A null area stays null.
QRect drawingAreaInView(const QRect &pageArea, double zoom);

// A pen-frame point in view coordinates. 15000 units span the height of the drawing area, on
// both axes, so the page keeps its aspect ratio; a null area stands for the view's own height
// from its top-left corner. Whole-number arithmetic, truncated toward zero, no clamping.
QPointF mapPenPointInto(const QRect &drawingArea, int viewHeight, int x, int y);
