#pragma once

#include <QRect>
#include <QWidget>

class AKWebView;
class QWebEngineProfile;

// A top-level window for a page that a script opens as a new window: it follows the page's
// title, geometry requests and request to close.
class AKWebPopupWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AKWebPopupWindow(QWebEngineProfile *profile);
    ~AKWebPopupWindow() override;

    AKWebView *view() const { return popupView; }

    // Where a geometry request of a page ends up: the page decides only within reason, so that
    // no page can put its window off every screen or make it absurdly small or large. The
    // rectangle is moved onto the available area of the screen nearest to it and its size kept
    // between minimumPopupSize and that area's size.
    static QRect fitToScreens(const QRect &requested);
    static constexpr int minimumPopupSize = 100;

private slots:
    void handleGeometryChangeRequested(QRect newGeometry);

private:
    AKWebView *popupView;
};
