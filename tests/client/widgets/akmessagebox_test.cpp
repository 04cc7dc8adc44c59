#include "paintprobe.h"
#include "widgets/akbutton.h"
#include "widgets/aklabel.h"
#include "widgets/akmessagebox.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const QString kNotice = QStringLiteral("Quorvel课堂已在运行...");

struct Parts
{
    AKLabel *label;
    AKButton *ok;
    AKButton *cancel;
};

Parts partsOf(AKMessageBox &box)
{
    const auto buttons = box.findChildren<AKButton *>(QString(), Qt::FindDirectChildrenOnly);
    EXPECT_EQ(buttons.size(), 2);
    return {box.findChild<AKLabel *>(QString(), Qt::FindDirectChildrenOnly), buttons.value(0),
            buttons.value(1)};
}

void leftClick(AKButton &button)
{
    const QPoint at(10, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, button.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, button.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &release);
}

TEST(AKMessageBox, ExecResults)
{
    struct Case
    {
        std::string name;
        bool twoButtons;
        std::function<void(AKMessageBox &)> end;
        int expected;
    };
    const std::vector<Case> cases = {
        {"ok button", false, [](AKMessageBox &b) { leftClick(*partsOf(b).ok); }, 1},
        {"cancel button", true, [](AKMessageBox &b) { leftClick(*partsOf(b).cancel); }, 0},
        {"window closed", false, [](AKMessageBox &b) { b.close(); }, 0},
        {"clickClose", false, [](AKMessageBox &b) { b.clickClose(true); }, 0},
    };
    for (const Case &c : cases) {
        AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
        box.setSingleButton(!c.twoButtons);
        QWidget *modalDuringExec = nullptr;
        bool visibleDuringExec = false;
        QTimer::singleShot(0, &box, [&] {
            modalDuringExec = QApplication::activeModalWidget();
            visibleDuringExec = box.isVisible();
            c.end(box);
        });
        EXPECT_EQ(box.exec(), c.expected) << c.name;
        EXPECT_EQ(modalDuringExec, &box) << c.name << ": modal while exec runs";
        EXPECT_TRUE(visibleDuringExec) << c.name;
        EXPECT_FALSE(box.isVisible()) << c.name;
    }
}

TEST(AKMessageBox, SetBoxSize)
{
    struct Case
    {
        int width, height;
        QSize expected;
    };
    const std::vector<Case> cases = {
        {300, 180, {300, 180}},
        {250, 0, {250, 161}},
        {0, 120, {200, 120}},
        {0, 0, {0, 161}},
    };
    for (const Case &c : cases) {
        AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
        box.setBoxSize(c.width, c.height);
        EXPECT_EQ(box.size(), c.expected) << c.width << " x " << c.height;
    }
}

TEST(AKMessageBox, StartUpsNoticeShowsOnlyOkCentredUnderTheText)
{
    AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
    box.setMessageText(kNotice);
    box.setBoxSize(300, 180);
    box.show();
    const Parts parts = partsOf(box);
    EXPECT_EQ(parts.ok->text(), QStringLiteral("ok"));
    EXPECT_EQ(parts.cancel->text(), QStringLiteral("cancel"));
    EXPECT_TRUE(box.isSingleButton());
    EXPECT_TRUE(parts.ok->isVisible());
    EXPECT_FALSE(parts.cancel->isVisible());
    EXPECT_EQ(box.messageText(), kNotice);
    EXPECT_EQ(parts.label->text(), kNotice);
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // One line: the label and the button form one block centred in the box.
    const int lineSpacing = QFontMetrics(parts.label->font()).lineSpacing();
    const int labelHeight = lineSpacing + 15;
    const int top = (180 - (labelHeight + 18 + 25)) / 2;
    EXPECT_EQ(parts.label->geometry(), QRect(20, top, 260, labelHeight));
    EXPECT_EQ(parts.ok->geometry(), QRect(115, top + labelHeight + 18, 70, 25));

    // The white panel leaves the title band and a 10-pixel rim to the window's own background.
    const QColor backdrop(1, 2, 3);
    const QImage image = paintprobe::render(box, backdrop);
    EXPECT_EQ(paintprobe::boxOf(image, Qt::white, false), QRect(10, 41, 280, 129));
    EXPECT_EQ(image.pixelColor(150, 20), backdrop);
}

TEST(AKMessageBox, LayoutPerButtonModeAlsoBeforeTheBoxIsShown)
{
    AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
    box.setBoxSize(300, 200);
    const Parts parts = partsOf(box);

    box.setSingleButton(false);
    box.setMessageText(QStringLiteral("short"));
    EXPECT_FALSE(box.isSingleButton());
    EXPECT_EQ(parts.label->geometry(), QRect(20, 51, 260, 20));
    EXPECT_EQ(parts.ok->geometry(), QRect(70, 81, 70, 25));
    EXPECT_EQ(parts.cancel->geometry(), QRect(160, 81, 70, 25));

    box.setButtonsVisible(false);
    box.setMessageText(QStringLiteral("short"));
    EXPECT_EQ(parts.label->geometry(), QRect(10, 105, 280, 20));

    // Shown, the layout stays as it was decided before.
    box.setButtonsVisible(true);
    box.show();
    EXPECT_EQ(parts.cancel->geometry(), QRect(160, 81, 70, 25));
    EXPECT_TRUE(parts.cancel->isVisible());
}

// Splits the laid-out text at the spaces that were inserted into `original`.
std::vector<QString> piecesOf(const QString &laidOut, const QString &original)
{
    std::vector<QString> pieces(1);
    int o = 0;
    for (const QChar ch : laidOut) {
        if (o < original.size() && original.at(o) == ch) {
            pieces.back() += ch;
            ++o;
        } else {
            EXPECT_EQ(ch, QLatin1Char(' '));
            pieces.emplace_back();
        }
    }
    EXPECT_EQ(o, original.size());
    return pieces;
}

TEST(AKMessageBox, LongTextIsBrokenIntoPiecesAndTheBoxGrows)
{
    struct Case
    {
        std::string name;
        QString text;
    };
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const std::vector<Case> cases = {
        {"Chinese without spaces", QString(kNotice).repeated(6)},
        {"many lines", QStringLiteral("课堂已在运行").repeated(30)},
        {"characters outside the basic plane", emoji.repeated(60)},
    };
    for (const Case &c : cases) {
        AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
        box.setBoxSize(300, 180);
        const Parts parts = partsOf(box);
        const QFontMetrics metrics(parts.label->font());
        const int okHeight = parts.ok->height();
        ASSERT_GT(metrics.horizontalAdvance(c.text), 300 - 40) << c.name;

        box.setMessageText(c.text);
        const std::vector<QString> pieces = piecesOf(box.messageText(), c.text);
        ASSERT_GT(pieces.size(), 1u) << c.name;
        for (size_t i = 0; i + 1 < pieces.size(); ++i) {
            const QString &piece = pieces[i];
            EXPECT_GT(metrics.horizontalAdvance(piece), 300 - 45) << c.name << " piece " << i;
            QString shorter = piece;
            shorter.chop(piece.back().isLowSurrogate() ? 2 : 1);
            EXPECT_LE(metrics.horizontalAdvance(shorter), 300 - 45) << c.name << " piece " << i;
            EXPECT_FALSE(piece.back().isHighSurrogate()) << c.name;
        }
        const int lines = pieces.back().isEmpty() ? pieces.size() - 1 : pieces.size();
        const int textHeight = metrics.lineSpacing() * lines;
        const int titleHeight = 31;
        const int needed = textHeight + 20 + titleHeight + okHeight + 80;
        if (textHeight > 180 - (20 + titleHeight + okHeight + 80)) {
            EXPECT_EQ(box.height(), needed) << c.name;
            EXPECT_EQ(box.width(), lines <= 4 ? 300 : 300 + (lines - 4) * 50) << c.name;
        } else {
            EXPECT_EQ(box.size(), QSize(300, 180)) << c.name;
        }
        EXPECT_EQ(parts.label->height(), textHeight + 15) << c.name;
        EXPECT_EQ(parts.label->text(), box.messageText()) << c.name;
    }
}

TEST(AKMessageBox, TextIsLaidOutForTheSizeAtTheTimeItIsSet)
{
    const QString wide = QStringLiteral("课堂已在运行").repeated(8);
    AKMessageBox box(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
    box.setBoxSize(2000, 180);
    box.setMessageText(wide);
    EXPECT_EQ(box.messageText(), wide) << "fits: unchanged";
    box.setBoxSize(200, 180);
    box.show();
    EXPECT_EQ(box.messageText(), wide) << "a later size keeps the text";
    EXPECT_EQ(partsOf(box).label->width(), 160);

    AKMessageBox twoButtons(nullptr, QStringLiteral("ok"), QStringLiteral("cancel"));
    twoButtons.setSingleButton(false);
    twoButtons.setBoxSize(300, 180);
    twoButtons.setMessageText(wide);
    EXPECT_NE(twoButtons.messageText(), wide);
    EXPECT_EQ(twoButtons.size(), QSize(300, 180)) << "two-button boxes never grow";
    EXPECT_EQ(partsOf(twoButtons).label->height(), 20);
}

} // namespace
