#include "pen/penmapping.h"

#include <gtest/gtest.h>

namespace {

TEST(PenMapping, DevicePointsTurnIntoThePenFrame)
{
    const struct
    {
        int x, y;
        QPoint penFrame;
    } cases[] = {
        {15000, 1500, {0, 0}},          // the drawing area's top-left corner
        {0, 0, {-1500, 15000}},         // above the area
        {16000, 1000, {-500, -1000}},   // left of and above it
        {21000, 29700, {28200, -6000}}, // the page's far corner
        {7500, 9000, {7500, 7500}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(penFrameFromDevice(c.x, c.y), c.penFrame) << c.x << "," << c.y;
}

TEST(PenMapping, PenFramePointsLandInTheDrawingArea)
{
    const QRect area(QPoint(100, 50), QPoint(699, 649)); // 600 high
    const QRect narrow(QPoint(100, 50), QPoint(109, 649));
    const struct
    {
        QRect area;
        int viewHeight;
        int x, y;
        QPointF expected;
    } cases[] = {
        // No area: the view's height from its top-left corner.
        {QRect(), 900, 15000, 15000, {900, 900}},
        {QRect(), 900, 0, 0, {0, 0}},
        {QRect(), 900, 7499, 1, {449, 0}}, // truncated
        {area, 900, 7500, 15000, {400, 650}},
        {area, 900, 0, 0, {100, 50}},
        // The height scales both axes; the width plays no part.
        {narrow, 900, 7500, 15000, {400, 650}},
        // No clamping; truncation is toward zero, also below it.
        {area, 900, 20000, 30000, {900, 1250}},
        {area, 900, -1500, -15, {40, 50}},
        {area, 900, -1501, -30, {40, 49}},
        // A tall area far off the page does not overflow.
        {QRect(QPoint(0, 0), QPoint(0, 99999)), 900, 28200, -6000, {188000, -40000}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mapPenPointInto(c.area, c.viewHeight, c.x, c.y), c.expected)
            << c.x << "," << c.y << " in " << c.area.x() << "," << c.area.y() << " "
            << c.area.width() << "x" << c.area.height();
}

} // namespace
