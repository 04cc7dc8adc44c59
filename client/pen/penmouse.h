#pragma once

#include <QPoint>

// The mouse as the pen handler drives it: the cursor put at a screen point, and the left button
// pressed or released wherever the cursor is.
class PenMouse
{
public:
    virtual ~PenMouse() = default;
    virtual void moveCursor(const QPoint &screenPoint) = 0;
    virtual void pressLeftButton() = 0;
    virtual void releaseLeftButton() = 0;
};
