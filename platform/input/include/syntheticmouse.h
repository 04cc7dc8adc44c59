#pragma once

// Xlib's display type, declared as Xlib does, so that callers need not take in Xlib's macros.
struct _XDisplay;

// The left mouse button going down or up as if the pointer device did it: the X server sends the
// event to whatever lies under the pointer, wherever it is. False when there is no display or the
// server lacks the test extension.
namespace syntheticmouse {

bool pressLeftButton(_XDisplay *display);
bool releaseLeftButton(_XDisplay *display);

} // namespace syntheticmouse
