#pragma once

#include "penmouse.h"

// The desktop's own mouse: the cursor moves as the framework moves it; the button events come
// from the X server as if the pointer device had sent them. Without an X display the buttons do
// nothing.
class SystemPenMouse : public PenMouse
{
public:
    void moveCursor(const QPoint &screenPoint) override;
    void pressLeftButton() override;
    void releaseLeftButton() override;
};
