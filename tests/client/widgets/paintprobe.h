#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <ostream>

class QWidget;

namespace paintprobe {

// The widget painted over a plain backdrop of the widget's size, as its paintEvent draws it.
QImage render(QWidget &widget, const QColor &backdrop);

// The bounding box of the pixels that differ from `color` (true) or equal it (false).
QRect boxOf(const QImage &image, const QColor &color, bool differing);

} // namespace paintprobe

// Readable colours in test failures.
inline void PrintTo(const QColor &color, std::ostream *out)
{
    *out << "rgba(" << color.red() << ", " << color.green() << ", " << color.blue() << ", "
         << color.alpha() << ")";
}
