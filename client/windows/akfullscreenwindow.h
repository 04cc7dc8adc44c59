#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

class AKFullScreenNotification;
class AKWebView;

// The page in HTML5 full screen: a child of the main window laid over the main view's area,
// showing the main view's page in a display-only view of its own, with a notice in its middle
// on how to leave. Destroying it gives the page back to the main view.
class AKFullScreenWindow : public QWidget
{
    Q_OBJECT
public:
    AKFullScreenWindow(AKWebView *oldView, QWidget *parent);
    ~AKFullScreenWindow() override;

    AKWebView *view() const { return fullScreenView; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    AKWebView *fullScreenView;
    // Not owned. Held weakly: the page goes back to it only while it exists.
    QPointer<AKWebView> oldView;
    QRect oldGeometry;
    AKFullScreenNotification *notification;
};
