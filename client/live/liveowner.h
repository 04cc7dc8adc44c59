#pragma once

class QWidget;

// The window a live room belongs to: the screen share covers it, and it writes the room's
// outcomes into the classroom page.
class LiveOwner
{
public:
    // The top-level window whose area the screen share covers.
    virtual QWidget *liveWindow() = 0;
    // Writes one PageResult into the page.
    virtual void checkPushStreamResult(int result) = 0;

protected:
    ~LiveOwner() = default;
};
