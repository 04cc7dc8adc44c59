#include "akwebpopupwindow.h"

#include "web/akwebpage.h"
#include "web/akwebview.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// How far (x, y) lies outside area, along both axes together; 0 inside. In 64 bits: a page's
// numbers can be anything an int holds.
qint64 distanceOutside(const QRect &area, qint64 x, qint64 y)
{
    const qint64 dx = x < area.left() ? area.left() - x : x > area.right() ? x - area.right() : 0;
    const qint64 dy = y < area.top() ? area.top() - y : y > area.bottom() ? y - area.bottom() : 0;
    return dx + dy;
}

int boundedLength(int requested, int available)
{
    const int lower = std::min(AKWebPopupWindow::minimumPopupSize, available);
    return std::clamp(requested, lower, available);
}

} // namespace

AKWebPopupWindow::AKWebPopupWindow(QWebEngineProfile *profile)
    : QWidget(nullptr), popupView(new AKWebView(this, AKWebView::DisplayOnly))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(popupView);
    popupView->showPage(new AKWebPage(profile, popupView));
    popupView->setFocus();
    QWebEnginePage *page = popupView->page();
    connect(popupView, &QWebEngineView::titleChanged, this, &QWidget::setWindowTitle);
    connect(page, &QWebEnginePage::geometryChangeRequested, this,
            &AKWebPopupWindow::handleGeometryChangeRequested);
    connect(page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
}

AKWebPopupWindow::~AKWebPopupWindow() = default;

QRect AKWebPopupWindow::fitToScreens(const QRect &requested)
{
    const qint64 centreX = qint64(requested.x()) + requested.width() / 2;
    const qint64 centreY = qint64(requested.y()) + requested.height() / 2;
    QRect area;
    qint64 nearest = std::numeric_limits<qint64>::max();
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect available = screen->availableGeometry();
        if (available.isEmpty())
            continue;
        const qint64 distance = distanceOutside(available, centreX, centreY);
        if (distance < nearest) {
            nearest = distance;
            area = available;
        }
    }
    if (area.isEmpty())
        return QRect(requested.topLeft(), QSize(std::max(requested.width(), minimumPopupSize),
                                                std::max(requested.height(), minimumPopupSize)));

    const int width = boundedLength(requested.width(), area.width());
    const int height = boundedLength(requested.height(), area.height());
    const int x = std::clamp(requested.x(), area.left(), area.right() + 1 - width);
    const int y = std::clamp(requested.y(), area.top(), area.bottom() + 1 - height);
    return QRect(x, y, width, height);
}

void AKWebPopupWindow::handleGeometryChangeRequested(QRect newGeometry)
{
    const QRect fitted = fitToScreens(newGeometry);
    popupView->setMinimumSize(fitted.size());
    move(fitted.topLeft() - popupView->pos());
    // The layout would take in the new minimum only later, and a window larger than the last
    // minimum would then keep its size: a smaller request would not shrink it.
    layout()->activate();
    resize(0, 0);
    show();
}
