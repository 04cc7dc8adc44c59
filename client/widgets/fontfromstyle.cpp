#include "fontfromstyle.h"

QFont fontFromStyle(const FontStyle &style)
{
    QFont font;
    font.setPixelSize(style.pixelSize);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    return font;
}
