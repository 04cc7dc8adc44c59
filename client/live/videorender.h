#pragma once

#include <ilive/sdkstring.h>

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>

class ILiveRootView;

// A widget on a native window of its own into which the live SDK draws one video stream. A
// double click takes it out of its place to full screen and back again.
class VideoRender : public QWidget
{
    Q_OBJECT
public:
    explicit VideoRender(QWidget *parent = nullptr);
    ~VideoRender() override;

    // Draws the stream into the widget. False while the widget has never been shown (the SDK's
    // view does not exist yet) or when the SDK refuses; the widget then stays idle.
    bool startRender(const SdkString &streamId, int source);
    // Returns the widget to its place first when it is full screen.
    void stopRender();

    SdkString streamId() const { return renderId; }
    bool isIdle() const { return idle; }
    // Applied at the next show.
    void setBackgroundColor(std::uint32_t argb) { backgroundColor = argb; }
    void setScaleMode(int mode);

    bool isInFullScreen() const { return fullScreen; }

protected:
    void showEvent(QShowEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void enterFullScreen();
    void leaveFullScreen();

    ILiveRootView *rootView = nullptr;
    SdkString renderId;
    bool idle = true;
    std::uint32_t backgroundColor = 0xFF000000u;
    // Guarded: the place may go while the widget is full screen and no longer its child.
    QPointer<QWidget> normalParent;
    QRect normalGeometry;
    bool fullScreen = false;
    QMetaObject::Connection parentGone;
};
