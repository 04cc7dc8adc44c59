#include "paintprobe.h"
#include "widgets/akwidget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const QColor kBackdrop(10, 200, 30);
const QColor kFill(200, 40, 90);
const QColor kBorder(20, 30, 220);
// Probe value for a pixel that the outline covers in part: a blend of border and fill.
const QColor kPartlyBorder;

TEST(AKWidgetPainting, CornersBorderAndFill)
{
    struct Case
    {
        std::string name;
        FrameStyle style;
        struct Probe
        {
            QPoint at;
            QColor expected;
        };
        std::vector<Probe> probes;
    };
    // 40 x 30 widget; the outline rectangle is borderWidth narrower and lower than the widget.
    const std::vector<Case> cases = {
        {"square corners, invisible one-pixel outline",
         FrameStyle(kFill, 0, 0, Qt::transparent),
         {{{1, 1}, kFill}, {{20, 15}, kFill}, {{38, 28}, kFill}}},
        {"rounded corners leave the backdrop in the corner",
         FrameStyle(kFill, 10, 0, Qt::transparent),
         {{{0, 0}, kBackdrop},
          {{1, 1}, kBackdrop},
          {{38, 28}, kBackdrop},
          {{20, 15}, kFill},
          {{20, 1}, kFill}}},
        {"a wide border is centred on the outline, half of it clipped at left and top",
         FrameStyle(kFill, 0, 4, kBorder),
         {{{0, 10}, kBorder},
          {{1, 10}, kBorder},
          {{2, 10}, kFill},
          {{20, 0}, kBorder},
          {{20, 2}, kFill},
          {{35, 10}, kBorder},
          {{37, 10}, kBorder},
          {{39, 10}, kBackdrop},
          {{20, 29}, kBackdrop}}},
        // The cosmetic pen is centred on the widget's edge: half of it covers the edge pixels.
        {"borderWidth 0 still outlines in a visible colour",
         FrameStyle(kFill, 0, 0, kBorder),
         {{{0, 15}, kPartlyBorder}, {{20, 0}, kPartlyBorder}, {{20, 15}, kFill}}},
        {"a transparent background fills nothing",
         FrameStyle(Qt::transparent, 6, 0, Qt::transparent),
         {{{20, 15}, kBackdrop}, {{1, 1}, kBackdrop}}},
    };
    for (const Case &c : cases) {
        AKWidget widget(nullptr, c.style);
        widget.resize(40, 30);
        const QImage image = paintprobe::render(widget, kBackdrop);
        for (const auto &probe : c.probes) {
            const QColor actual = image.pixelColor(probe.at);
            const std::string where =
                c.name + " at " + std::to_string(probe.at.x()) + "," + std::to_string(probe.at.y());
            if (probe.expected.isValid()) {
                EXPECT_EQ(actual, probe.expected) << where;
            } else {
                EXPECT_GT(actual.blue(), kFill.blue() + 20) << where;
                EXPECT_LT(actual.red(), kFill.red() - 20) << where;
            }
        }
    }
}

TEST(AKWidgetPainting, NewFrameStyleIsPaintedAndHeldAsACopy)
{
    AKWidget widget(nullptr, FrameStyle(kFill, 0, 0, Qt::transparent));
    widget.resize(20, 20);
    FrameStyle replacement(kBorder, 0, 0, Qt::transparent);
    widget.setFrameStyle(replacement);
    replacement.background = Qt::yellow;
    EXPECT_EQ(widget.frameStyle().background, kBorder);
    EXPECT_EQ(paintprobe::render(widget, kBackdrop).pixelColor(10, 10), kBorder);
}

} // namespace
