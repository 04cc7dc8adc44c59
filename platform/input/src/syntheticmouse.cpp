#include "syntheticmouse.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace syntheticmouse {
namespace {

constexpr unsigned int kLeftButton = 1;

bool sendLeftButton(Display *display, bool down)
{
    if (!display)
        return false;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        return false;
    const bool sent = XTestFakeButtonEvent(display, kLeftButton, down ? True : False, CurrentTime);
    // Sent now: the caller may move the pointer next through another path.
    XFlush(display);
    return sent;
}

} // namespace

bool pressLeftButton(_XDisplay *display)
{
    return sendLeftButton(display, true);
}

bool releaseLeftButton(_XDisplay *display)
{
    return sendLeftButton(display, false);
}

} // namespace syntheticmouse
