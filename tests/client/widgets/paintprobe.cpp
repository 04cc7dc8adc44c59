#include "paintprobe.h"

#include <QWidget>

namespace paintprobe {

QImage render(QWidget &widget, const QColor &backdrop)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(backdrop);
    // No background of the widget's own: only what paintEvent paints lands on the backdrop.
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QRect boxOf(const QImage &image, const QColor &color, bool differing)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixelColor(x, y) != color) == differing)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace paintprobe
