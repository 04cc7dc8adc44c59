#include "x11probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdlib>

namespace x11probe {

namespace {
::Display *dpy(void *display)
{
    return static_cast<::Display *>(display);
}

// Qt puts the owner's process id on every top-level window it creates.
std::optional<unsigned long> processOf(::Display *display, Window window)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    std::optional<unsigned long> pid;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && type == XA_CARDINAL && format == 32 && count == 1)
        pid = *reinterpret_cast<unsigned long *>(data);
    if (data)
        XFree(data);
    return pid;
}
} // namespace

Display::Display()
{
    const char *name = std::getenv("DISPLAY");
    if (name && *name)
        m_display = XOpenDisplay(name);
}

Display::~Display()
{
    if (m_display)
        XCloseDisplay(dpy(m_display));
}

std::vector<WindowInfo> Display::windowsOf(pid_t pid)
{
    std::vector<WindowInfo> found;
    ::Display *display = dpy(m_display);
    const Window root = DefaultRootWindow(display);
    Window rootReturn = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        const auto owner = processOf(display, children[i]);
        if (!owner || *owner != static_cast<unsigned long>(pid))
            continue;
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display, children[i], root, 0, 0, &x, &y, &child);
        found.push_back({children[i], {x, y, attributes.width, attributes.height}});
    }
    if (children)
        XFree(children);
    return found;
}

std::optional<Rect> Display::boxOfColour(const WindowInfo &window, int red, int green, int blue)
{
    ::Display *display = dpy(m_display);
    XImage *image = XGetImage(display, window.id, 0, 0, window.onScreen.width,
                              window.onScreen.height, AllPlanes, ZPixmap);
    if (!image)
        return std::nullopt;
    const unsigned long wanted = (static_cast<unsigned long>(red) << 16) |
                                 (static_cast<unsigned long>(green) << 8) |
                                 static_cast<unsigned long>(blue);
    int left = image->width, top = image->height, right = -1, bottom = -1;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if ((XGetPixel(image, x, y) & 0xffffff) != wanted)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    XDestroyImage(image);
    if (right < 0)
        return std::nullopt;
    return Rect{left, top, right - left + 1, bottom - top + 1};
}

bool Display::leftClick(const WindowInfo &window, int x, int y)
{
    ::Display *display = dpy(m_display);
    const Window root = DefaultRootWindow(display);
    XRaiseWindow(display, window.id);
    XTestFakeMotionEvent(display, DefaultScreen(display), window.onScreen.x + x,
                         window.onScreen.y + y, CurrentTime);
    XSync(display, False);
    Window rootReturn = 0, under = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display, root, &rootReturn, &under, &rootX, &rootY, &winX, &winY, &mask);
    if (under != window.id)
        return false;
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    return true;
}

void Display::requestClose(const WindowInfo &window)
{
    ::Display *display = dpy(m_display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.id;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window.id, False, NoEventMask, &event);
    XSync(display, False);
}

} // namespace x11probe
