#include "widgets/fontfromstyle.h"
#include "widgets/stylerecords.h"

#include <QVariant>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QPixmap pixmapOfWidth(int width)
{
    return QPixmap(width, 1);
}

// Every parameter gets a value of its own, so that a swapped pair shows up as a wrong field.
TEST(StyleRecords, ConstructorsPutEveryArgumentIntoItsField)
{
    const FrameStyle frame(Qt::red, 7, 3, Qt::blue);
    const StatePixmaps pixmaps(pixmapOfWidth(1), pixmapOfWidth(2), pixmapOfWidth(3),
                               pixmapOfWidth(4), pixmapOfWidth(5), pixmapOfWidth(6));
    const FontStyle font(14, true, true, false);
    const StateColors colors(Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta);
    const StateColors textColors(Qt::white, Qt::black, Qt::gray, Qt::yellow, Qt::darkRed);
    const ButtonStyle button(colors, textColors, FontStyle(9, false, true, false), Qt::darkGreen, 4,
                             2, Qt::darkBlue, pixmaps);
    const ButtonStyle buttonIconFirst(pixmaps, colors, textColors, FontStyle(9, false, false, true),
                                      Qt::darkGreen, 4, 2, Qt::darkBlue);
    const LabelStyle label(Qt::red, Qt::green, Qt::blue, FontStyle(11, false, false, true),
                           Qt::yellow);

    struct Row
    {
        std::string field;
        QVariant actual;
        QVariant expected;
    };
    const std::vector<Row> rows = {
        {"FrameStyle.background", frame.background, QColor(Qt::red)},
        {"FrameStyle.radius", frame.radius, 7},
        {"FrameStyle.borderWidth", frame.borderWidth, 3},
        {"FrameStyle.borderColor", frame.borderColor, QColor(Qt::blue)},
        {"StatePixmaps.normal", pixmaps.normal.width(), 1},
        {"StatePixmaps.hover", pixmaps.hover.width(), 2},
        {"StatePixmaps.checked", pixmaps.checked.width(), 3},
        {"StatePixmaps.checkedHover", pixmaps.checkedHover.width(), 4},
        {"StatePixmaps.disabled", pixmaps.disabled.width(), 5},
        {"StatePixmaps.extra", pixmaps.extra.width(), 6},
        {"FontStyle.pixelSize", font.pixelSize, 14},
        {"FontStyle.bold", font.bold, true},
        {"FontStyle.underline", font.underline, true},
        {"FontStyle.italic", font.italic, false},
        {"StateColors.normal", colors.normal, QColor(Qt::red)},
        {"StateColors.hover", colors.hover, QColor(Qt::green)},
        {"StateColors.checked", colors.checked, QColor(Qt::blue)},
        {"StateColors.checkedHover", colors.checkedHover, QColor(Qt::cyan)},
        {"StateColors.disabled", colors.disabled, QColor(Qt::magenta)},
        {"ButtonStyle.background", button.background.hover, QColor(Qt::green)},
        {"ButtonStyle.textColor", button.textColor.hover, QColor(Qt::black)},
        {"ButtonStyle.font.underline", button.font.underline, true},
        {"ButtonStyle.font.italic", button.font.italic, false},
        {"ButtonStyle.frame.background", button.frame.background, QColor(Qt::darkGreen)},
        {"ButtonStyle.frame.radius", button.frame.radius, 4},
        {"ButtonStyle.frame.borderWidth", button.frame.borderWidth, 2},
        {"ButtonStyle.frame.borderColor", button.frame.borderColor, QColor(Qt::darkBlue)},
        {"ButtonStyle.icon.disabled", button.icon.disabled.width(), 5},
        {"ButtonStyle(icon first).icon.disabled", buttonIconFirst.icon.disabled.width(), 5},
        {"ButtonStyle(icon first).background", buttonIconFirst.background.normal, QColor(Qt::red)},
        {"ButtonStyle(icon first).font.italic", buttonIconFirst.font.italic, true},
        {"ButtonStyle(icon first).frame.radius", buttonIconFirst.frame.radius, 4},
        {"ButtonStyle(icon first).frame.borderWidth", buttonIconFirst.frame.borderWidth, 2},
        {"LabelStyle.normalText", label.normalText, QColor(Qt::red)},
        {"LabelStyle.hoverText", label.hoverText, QColor(Qt::green)},
        {"LabelStyle.disabledText", label.disabledText, QColor(Qt::blue)},
        {"LabelStyle.font.italic", label.font.italic, true},
        {"LabelStyle.frame.background", label.frame.background, QColor(Qt::yellow)},
        {"LabelStyle.frame.radius", label.frame.radius, 0},
        {"LabelStyle.frame.borderWidth", label.frame.borderWidth, 0},
        {"LabelStyle.frame.borderColor", label.frame.borderColor, QColor(Qt::transparent)},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.actual, row.expected) << row.field;
}

TEST(StyleRecords, FontFromStyleTakesTheDefaultFamilyAndEveryFlag)
{
    const QFont font = fontFromStyle(FontStyle(17, true, false, true));
    EXPECT_EQ(font.family(), QFont().family());
    EXPECT_EQ(font.pixelSize(), 17);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_FALSE(font.underline());
}

} // namespace
