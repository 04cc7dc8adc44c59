#include "widgets/aklabel.h"

#include <QApplication>
#include <QEvent>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const LabelStyle kStyle(Qt::red, Qt::green, Qt::blue, FontStyle(15, true, true, false), Qt::yellow);

void send(QWidget &widget, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(&widget, &event);
}

TEST(AKLabel, TextColourFollowsHoverAndDisabledWins)
{
    enum Step
    {
        Enter,
        Leave,
        Disable,
        Enable
    };
    struct Case
    {
        std::string name;
        std::vector<Step> steps;
        QColor expected;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"plain", {}, Qt::red, true},
        {"pointer over it", {Enter}, Qt::green, true},
        {"pointer gone again", {Enter, Leave}, Qt::red, true},
        {"disabled while hovered", {Enter, Disable}, Qt::blue, false},
        {"disabled, entered and left", {Disable, Enter, Leave, Enter}, Qt::blue, false},
        {"enabled again while hovered", {Enter, Disable, Enable}, Qt::green, true},
    };
    for (const Case &c : cases) {
        AKLabel label(QStringLiteral("text"), nullptr, kStyle);
        for (Step step : c.steps) {
            if (step == Enter)
                send(label, QEvent::Enter);
            else if (step == Leave)
                send(label, QEvent::Leave);
            else
                label.setLabelDisabled(step == Disable);
        }
        EXPECT_EQ(label.palette().color(QPalette::WindowText), c.expected) << c.name;
        EXPECT_EQ(label.palette().color(QPalette::Window), QColor(Qt::yellow)) << c.name;
        EXPECT_TRUE(label.autoFillBackground()) << c.name;
        EXPECT_EQ(label.isEnabled(), c.enabled) << c.name;
    }
}

TEST(AKLabel, StyleKeepsTheFamilyAndReplacesSizeAndDecorations)
{
    QWidget parent;
    QFont parentFont(QStringLiteral("WenQuanYi Micro Hei"));
    parentFont.setItalic(true);
    parentFont.setPixelSize(30);
    parent.setFont(parentFont);
    AKLabel label(&parent, kStyle);
    EXPECT_EQ(label.font().family(), parentFont.family());
    EXPECT_EQ(label.font().pixelSize(), 15);
    EXPECT_TRUE(label.font().bold());
    EXPECT_TRUE(label.font().underline());
    EXPECT_FALSE(label.font().italic());
    EXPECT_EQ(label.labelStyle().hoverText, QColor(Qt::green));
}

} // namespace
