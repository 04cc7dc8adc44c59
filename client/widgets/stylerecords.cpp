#include "stylerecords.h"

FrameStyle::FrameStyle(const QColor &background, int radius, int borderWidth,
                       const QColor &borderColor)
    : background(background), borderWidth(borderWidth), borderColor(borderColor), radius(radius)
{
}

StateColors::StateColors(const QColor &normal, const QColor &hover, const QColor &checked,
                         const QColor &checkedHover, const QColor &disabled)
    : normal(normal), hover(hover), checked(checked), checkedHover(checkedHover), disabled(disabled)
{
}

StatePixmaps::StatePixmaps(const QPixmap &normal, const QPixmap &hover, const QPixmap &checked,
                           const QPixmap &checkedHover, const QPixmap &disabled,
                           const QPixmap &extra)
    : normal(normal), hover(hover), disabled(disabled), checked(checked),
      checkedHover(checkedHover), extra(extra)
{
}

FontStyle::FontStyle(int pixelSize, bool bold, bool underline, bool italic)
    : pixelSize(pixelSize), bold(bold), italic(italic), underline(underline)
{
}

ButtonStyle::ButtonStyle(const StateColors &background, const StateColors &textColor,
                         const FontStyle &font, const QColor &frameBackground, int radius,
                         int borderWidth, const QColor &borderColor, const StatePixmaps &icon)
    : frame(frameBackground, radius, borderWidth, borderColor), background(background),
      textColor(textColor), icon(icon), font(font)
{
}

ButtonStyle::ButtonStyle(const StatePixmaps &icon, const StateColors &background,
                         const StateColors &textColor, const FontStyle &font,
                         const QColor &frameBackground, int radius, int borderWidth,
                         const QColor &borderColor)
    : ButtonStyle(background, textColor, font, frameBackground, radius, borderWidth, borderColor,
                  icon)
{
}

LabelStyle::LabelStyle(const QColor &normalText, const QColor &hoverText,
                       const QColor &disabledText, const FontStyle &font, const QColor &background)
    : frame(background, 0, 0, Qt::transparent), normalText(normalText), hoverText(hoverText),
      disabledText(disabledText), font(font)
{
}
