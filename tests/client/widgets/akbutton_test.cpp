#include "paintprobe.h"
#include "widgets/akbutton.h"
#include "widgets/fontfromstyle.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const QColor kNormal(42, 178, 241);
const QColor kHover(9, 159, 229);
const QColor kChecked(100, 0, 0);
const QColor kCheckedHover(0, 100, 0);
const QColor kDisabled(213, 221, 227);
const QColor kText(255, 255, 255);
const QColor kBackdrop(0, 0, 0);

ButtonStyle styleWith(const QPixmap &picture = QPixmap())
{
    return ButtonStyle(StateColors(kNormal, kHover, kChecked, kCheckedHover, kDisabled),
                       StateColors(kText, kText, kText, kText, kText),
                       FontStyle(12, false, false, false), Qt::transparent, 0, 0, Qt::transparent,
                       StatePixmaps(picture, picture, picture, picture, picture, QPixmap()));
}

void send(QWidget &widget, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(&widget, &event);
}

void mouse(AKButton &button, QEvent::Type type, Qt::MouseButton which)
{
    const QPoint at(5, 5);
    QMouseEvent event(type, at, button.mapToGlobal(at), which,
                      type == QEvent::MouseButtonPress ? Qt::MouseButtons(which) : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

// Every signal, in the order the button emits them.
struct SignalLog
{
    std::vector<std::string> entries;
    explicit SignalLog(AKButton &button)
    {
        const auto flag = [](bool on) { return on ? "(true)" : "(false)"; };
        QObject::connect(&button, &AKButton::pressed, [this] { entries.push_back("pressed"); });
        QObject::connect(&button, &AKButton::released, [this] { entries.push_back("released"); });
        QObject::connect(&button, &AKButton::toggled, [this, flag](bool on) {
            entries.push_back(std::string("toggled") + flag(on));
        });
        QObject::connect(&button, &AKButton::clicked, [this, flag](bool on) {
            entries.push_back(std::string("clicked") + flag(on));
        });
    }
};

TEST(AKButton, SignalsInTheirOrderPerCase)
{
    using Action = std::function<void(AKButton &)>;
    const auto click = [](Qt::MouseButton which) {
        return [which](AKButton &b) {
            mouse(b, QEvent::MouseButtonPress, which);
            mouse(b, QEvent::MouseButtonRelease, which);
        };
    };
    struct Case
    {
        std::string name;
        std::function<void(AKButton &)> setup;
        std::vector<Action> actions;
        std::vector<std::string> expected;
        bool checkedAfter;
    };
    const auto plain = [](AKButton &) {};
    const auto checkable = [](AKButton &b) { b.setCheckable(true); };
    const std::vector<Case> cases = {
        {"left press and release",
         plain,
         {click(Qt::LeftButton)},
         {"pressed", "toggled(false)", "clicked(false)", "released"},
         false},
        {"right press and release", plain, {click(Qt::RightButton)}, {"released"}, false},
        {"middle press and release", plain, {click(Qt::MiddleButton)}, {"released"}, false},
        {"disabled",
         [](AKButton &b) { b.setEnabled(false); },
         {click(Qt::LeftButton), click(Qt::RightButton)},
         {},
         false},
        {"disabled through setDisabled, then enabled again",
         [](AKButton &b) {
             b.setDisabled(true);
             b.setDisabled(false);
         },
         {click(Qt::LeftButton)},
         {"pressed", "toggled(false)", "clicked(false)", "released"},
         false},
        {"checkable flips on each left press",
         checkable,
         {click(Qt::LeftButton), click(Qt::LeftButton)},
         {"pressed", "toggled(true)", "clicked(true)", "released", "pressed", "toggled(false)",
          "clicked(false)", "released"},
         false},
        {"checkable and exclusive ignores presses once checked",
         [](AKButton &b) {
             b.setCheckable(true);
             b.setExclusive(true);
         },
         {click(Qt::LeftButton), click(Qt::LeftButton)},
         {"pressed", "toggled(true)", "clicked(true)", "released", "released"},
         true},
        {"setChecked on a button that is not checkable changes nothing",
         plain,
         {[](AKButton &b) { b.setChecked(true); }},
         {},
         false},
        {"toggle emits toggled(true) even when not checkable",
         plain,
         {[](AKButton &b) { b.toggle(); }},
         {"toggled(true)"},
         false},
        {"toggle on a checked checkable button",
         checkable,
         {[](AKButton &b) { b.setChecked(true); }, [](AKButton &b) { b.toggle(); }},
         {"toggled(true)"},
         true},
    };
    for (const Case &c : cases) {
        AKButton button(nullptr, styleWith(), QStringLiteral("ok"));
        button.resize(70, 25);
        c.setup(button);
        SignalLog log(button);
        for (const Action &action : c.actions)
            action(button);
        EXPECT_EQ(log.entries, c.expected) << c.name;
        EXPECT_EQ(button.isChecked(), c.checkedAfter) << c.name;
        EXPECT_TRUE(button.QWidget::isEnabled()) << c.name << ": the widget itself stays enabled";
    }
}

TEST(AKButton, TakesNoFocusAndStartsWithItsDefaults)
{
    AKButton button(nullptr, styleWith(), QStringLiteral("ok"));
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(button.isCheckable());
    EXPECT_FALSE(button.isExclusive());
    EXPECT_FALSE(button.isChecked());
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(button.iconPosition(), AKButton::IconLeft);
}

TEST(AKButton, FillFollowsTheStateAndDisabledWins)
{
    enum Step
    {
        Enter,
        Leave,
        Check,
        Disable
    };
    struct Case
    {
        std::string name;
        std::vector<Step> steps;
        QColor expected;
    };
    const std::vector<Case> cases = {
        {"normal", {}, kNormal},
        {"hover", {Enter}, kHover},
        {"hover left again", {Enter, Leave}, kNormal},
        {"checked", {Check}, kChecked},
        {"checked and hovered", {Check, Enter}, kCheckedHover},
        {"disabled while checked and hovered", {Check, Enter, Disable}, kDisabled},
        {"disabled, then entered", {Disable, Enter}, kDisabled},
    };
    for (const Case &c : cases) {
        AKButton button(nullptr, styleWith(), QString());
        button.setCheckable(true);
        button.resize(30, 20);
        for (Step step : c.steps) {
            if (step == Enter)
                send(button, QEvent::Enter);
            else if (step == Leave)
                send(button, QEvent::Leave);
            else if (step == Check)
                button.setChecked(true);
            else
                button.setEnabled(false);
        }
        EXPECT_EQ(paintprobe::render(button, kBackdrop).pixelColor(15, 10), c.expected) << c.name;
    }
}

QImage textOnly(const QSize &size, const QString &text)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(kNormal);
    QPainter painter(&image);
    painter.setFont(fontFromStyle(FontStyle(12, false, false, false)));
    painter.setPen(kText);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.drawText(QRect(QPoint(), size), Qt::AlignCenter, text);
    return image;
}

TEST(AKButton, TextFitsCentredOrIsElidedAtItsEnd)
{
    const QString longText = QStringLiteral("a text far wider than this small button");
    AKButton button(nullptr, styleWith(), longText);
    button.resize(80, 25);
    const QFontMetrics metrics(fontFromStyle(FontStyle(12, false, false, false)));
    const QString elided = metrics.elidedText(longText, Qt::ElideRight, 80);
    ASSERT_TRUE(elided.endsWith(QChar(0x2026)));
    EXPECT_EQ(paintprobe::render(button, kBackdrop), textOnly(button.size(), elided));

    button.setText(QStringLiteral("ok"));
    const QRect ink = paintprobe::boxOf(paintprobe::render(button, kBackdrop), kNormal, true);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(std::abs(ink.left() - (79 - ink.right())), 2)
        << "ink " << ink.left() << ".." << ink.right();
}

TEST(AKButton, PictureBesideTextKeepsTheElidedTextInsideTheButton)
{
    // A picture taller than the font sets the row: it lands at (S, (height - 24) / 2).
    QPixmap picture(24, 24);
    picture.fill(Qt::red);
    AKButton button(nullptr, styleWith(picture),
                    QStringLiteral("a text far wider than the button"));
    button.resize(120, 40);
    const QImage image = paintprobe::render(button, kBackdrop);
    EXPECT_EQ(paintprobe::boxOf(image, Qt::red, false), QRect(6, 8, 24, 24));
    // Nothing but the fill in the spacing at the right edge.
    const QRect ink = paintprobe::boxOf(image.copy(30, 0, 90, 40), kNormal, true);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(30 + ink.right(), 120 - 6);

    button.setIconPosition(AKButton::IconRight);
    button.setText(QStringLiteral("ok"));
    const QImage right = paintprobe::render(button, kBackdrop);
    const QRect pictureBox = paintprobe::boxOf(right, Qt::red, false);
    const QRect textInk = paintprobe::boxOf(right.copy(0, 0, pictureBox.left(), 40), kNormal, true);
    ASSERT_FALSE(textInk.isEmpty());
    EXPECT_LT(textInk.right(), pictureBox.left());
    EXPECT_EQ(pictureBox.top(), 8);
}

} // namespace
