#pragma once

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Looks at and acts on other processes' windows on the test's X display, the way a user would:
// through the X server (XTest for the pointer), never through hooks in the program.
namespace x11probe {

struct Rect
{
    int x = 0, y = 0, width = 0, height = 0;
};

struct WindowInfo
{
    unsigned long id = 0;
    Rect onScreen; // root coordinates
};

class Display
{
public:
    // Opens $DISPLAY; isOpen() is false when there is none.
    Display();
    ~Display();
    Display(const Display &) = delete;
    Display &operator=(const Display &) = delete;

    bool isOpen() const { return m_display != nullptr; }

    // The viewable top-level windows that the process `pid` has put on the screen.
    std::vector<WindowInfo> windowsOf(pid_t pid);
    // The bounding box, in window coordinates, of the pixels of exactly this colour.
    std::optional<Rect> boxOfColour(const WindowInfo &window, int red, int green, int blue);
    // A left click at (x, y) of the window, as the pointer device would give it. The window is
    // raised first, as a window manager keeps a stay-on-top window above the others; false when
    // another window still covers that point.
    bool leftClick(const WindowInfo &window, int x, int y);
    // What a window manager's close button sends.
    void requestClose(const WindowInfo &window);

private:
    void *m_display = nullptr;
};

} // namespace x11probe
