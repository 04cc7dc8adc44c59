#include "systempenmouse.h"

#include "syntheticmouse.h"

#include <QCursor>
#include <QX11Info>

namespace {

_XDisplay *applicationDisplay()
{
    return QX11Info::isPlatformX11() ? QX11Info::display() : nullptr;
}

} // namespace

void SystemPenMouse::moveCursor(const QPoint &screenPoint)
{
    QCursor::setPos(screenPoint);
}

void SystemPenMouse::pressLeftButton()
{
    syntheticmouse::pressLeftButton(applicationDisplay());
}

void SystemPenMouse::releaseLeftButton()
{
    syntheticmouse::releaseLeftButton(applicationDisplay());
}
