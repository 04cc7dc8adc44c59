#pragma once

#include <QColor>
#include <QPixmap>

// Plain value records from which the client's own widgets paint themselves. Widgets copy them;
// nothing is shared. Several constructors take their arguments in an order that differs from the
// field order: the constructors keep the order that callers have always used.

struct FrameStyle
{
    QColor background;
    int borderWidth; // 0 still gives Qt's one-pixel cosmetic pen
    QColor borderColor;
    int radius; // 0 draws square corners

    FrameStyle(const QColor &background, int radius, int borderWidth, const QColor &borderColor);
};

struct StateColors
{
    QColor normal;
    QColor hover;
    QColor checked;
    QColor checkedHover;
    QColor disabled;

    StateColors(const QColor &normal, const QColor &hover, const QColor &checked,
                const QColor &checkedHover, const QColor &disabled);
};

struct StatePixmaps
{
    QPixmap normal;
    QPixmap hover;
    QPixmap disabled;
    QPixmap checked;
    QPixmap checkedHover;
    QPixmap extra; // carried along, chosen by no state

    StatePixmaps(const QPixmap &normal, const QPixmap &hover, const QPixmap &checked,
                 const QPixmap &checkedHover, const QPixmap &disabled, const QPixmap &extra);
};

struct FontStyle
{
    int pixelSize;
    bool bold;
    bool italic;
    bool underline;

    FontStyle(int pixelSize, bool bold, bool underline, bool italic);
};

struct ButtonStyle
{
    // The frame's own background is never drawn: the button paints its state colour instead.
    FrameStyle frame;
    StateColors background;
    StateColors textColor;
    StatePixmaps icon;
    FontStyle font;

    ButtonStyle(const StateColors &background, const StateColors &textColor, const FontStyle &font,
                const QColor &frameBackground, int radius, int borderWidth,
                const QColor &borderColor, const StatePixmaps &icon);
    ButtonStyle(const StatePixmaps &icon, const StateColors &background,
                const StateColors &textColor, const FontStyle &font, const QColor &frameBackground,
                int radius, int borderWidth, const QColor &borderColor);
};

struct LabelStyle
{
    FrameStyle frame; // only its background is used, as the label's fill
    QColor normalText;
    QColor hoverText;
    QColor disabledText;
    FontStyle font;

    LabelStyle(const QColor &normalText, const QColor &hoverText, const QColor &disabledText,
               const FontStyle &font, const QColor &background);
};
