#include "videorender.h"

#include <ilive/ilive.h>
#include <ilive/sdkrecords.h>

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOption>

VideoRender::VideoRender(QWidget *parent) : QWidget(parent), normalParent(parent) {}

VideoRender::~VideoRender()
{
    if (rootView) {
        rootView->detachWindow();
        rootView->release();
        rootView = nullptr;
    }
}

bool VideoRender::startRender(const SdkString &streamId, int source)
{
    if (!rootView)
        return false;
    SdkRenderOption option;
    option.layout = 2;
    option.mirrored = true;
    option.scale = 5;
    if (!rootView->startRender(streamId, source, option, 0))
        return false;
    renderId = streamId;
    idle = false;
    return true;
}

void VideoRender::stopRender()
{
    leaveFullScreen();
    if (rootView)
        rootView->stopRender(1);
    renderId = SdkString();
    idle = true;
}

void VideoRender::setScaleMode(int mode)
{
    if (rootView)
        rootView->setScaleMode(mode);
}

void VideoRender::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!rootView) {
        rootView = iLiveCreateRootView();
        // The native window stays the same when the widget changes parent for full screen.
        if (rootView)
            rootView->attachWindow(static_cast<std::uintptr_t>(winId()));
    }
    if (rootView)
        rootView->setBackgroundColor(backgroundColor);
}

void VideoRender::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (fullScreen)
        leaveFullScreen();
    else
        enterFullScreen();
    event->accept();
}

void VideoRender::enterFullScreen()
{
    if (fullScreen)
        return;
    normalParent = parentWidget();
    normalGeometry = geometry();
    fullScreen = true;
    // Out of its place the widget is no longer its parent's child, yet the parent still owns it.
    if (normalParent)
        parentGone = connect(normalParent, &QObject::destroyed, this, &QObject::deleteLater);
    setParent(nullptr);
    showFullScreen();
}

void VideoRender::leaveFullScreen()
{
    if (!fullScreen)
        return;
    fullScreen = false;
    disconnect(parentGone);
    setParent(normalParent);
    setGeometry(normalGeometry);
    showNormal();
}

void VideoRender::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The native window is kept across the change of parent, so the window system's answer to
    // the full-screen request can still arrive after the widget went back into its place.
    if (event->type() == QEvent::WindowStateChange && !fullScreen &&
        (windowState() & Qt::WindowFullScreen))
        setWindowState(windowState() & ~Qt::WindowFullScreen);
}

void VideoRender::paintEvent(QPaintEvent *event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.end();
    QWidget::paintEvent(event);
}
