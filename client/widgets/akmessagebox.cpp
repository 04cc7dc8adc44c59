#include "akmessagebox.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>

namespace {

FrameStyle boxFrameStyle()
{
    return FrameStyle(Qt::transparent, 0, 0, Qt::transparent);
}

ButtonStyle boxButtonStyle()
{
    const QColor pressedBlue(9, 159, 229);
    const QColor white(255, 255, 255);
    const QPixmap none;
    return ButtonStyle(StateColors(QColor(42, 178, 241), pressedBlue, pressedBlue, pressedBlue,
                                   QColor(213, 221, 227)),
                       StateColors(white, white, white, white, QColor(132, 142, 160)),
                       FontStyle(12, false, false, false), Qt::transparent, 2, 0, Qt::transparent,
                       StatePixmaps(none, none, none, none, none, none));
}

constexpr int kDefaultWidth = 200;
constexpr int kDefaultHeight = 161;
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 25;

} // namespace

AKMessageBox::AKMessageBox(QWidget *parent, const QString &okText, const QString &cancelText)
    : AKWidget(parent, boxFrameStyle()), m_label(this, defaultLabelStyle()),
      m_okButton(this, boxButtonStyle(), okText), m_cancelButton(this, boxButtonStyle(), cancelText)
{
    setSingleButton(true);
    resize(kDefaultWidth, kDefaultHeight);
    m_label.setAlignment(Qt::AlignCenter);
    m_label.setWordWrap(true);
    m_label.adjustSize();
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    connect(&m_okButton, &AKButton::clicked, this, &AKMessageBox::onClickSure);
    connect(&m_cancelButton, &AKButton::clicked, this, &AKMessageBox::onClickCannel);
}

AKMessageBox::~AKMessageBox() = default;

int AKMessageBox::exec()
{
    // Modality only takes effect when it is in place before the window is shown.
    setWindowModality(Qt::ApplicationModal);
    show();
    return m_eventLoop.exec(QEventLoop::DialogExec);
}

void AKMessageBox::onClickSure(bool)
{
    // Closing ends the loop with 0 first; the 1 given after it is what exec returns.
    close();
    m_eventLoop.exit(1);
}

void AKMessageBox::onClickCannel(bool)
{
    hide();
    m_eventLoop.exit(0);
}

void AKMessageBox::clickClose(bool)
{
    close();
    m_eventLoop.exit(0);
}

void AKMessageBox::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_eventLoop.exit(0);
}

void AKMessageBox::setBoxSize(int width, int height)
{
    if (width != 0 && height != 0)
        resize(width, height);
    else if (height == 0)
        resize(width, kDefaultHeight);
    else
        resize(kDefaultWidth, height);
    update();
}

void AKMessageBox::setMessageText(const QString &text)
{
    m_text = text;
    layoutText(text);
    m_label.setText(m_text);
    layoutChildren();
}

void AKMessageBox::setSingleButton(bool single)
{
    m_cancelButton.setVisible(!single);
    m_twoButtonMode = !single;
    update();
}

bool AKMessageBox::isSingleButton() const
{
    // isHidden, not !isVisible: before the box is first shown every child counts as not visible.
    return m_cancelButton.isHidden() && !m_twoButtonMode;
}

void AKMessageBox::setButtonsVisible(bool visible)
{
    m_okButton.setVisible(visible);
    m_cancelButton.setVisible(visible);
}

void AKMessageBox::setMessageColor(const QColor &color)
{
    m_messageColor = color;
    update();
}

void AKMessageBox::layoutText(const QString &text)
{
    const QFontMetrics metrics(m_label.font());
    const int boxWidth = width();
    int lines = 1;
    if (metrics.horizontalAdvance(text) > boxWidth - (2 * kMargin + 20)) {
        // The label wraps only at spaces: give it one after each piece that reaches past the
        // usable width, so that text without spaces of its own (Chinese) still wraps.
        QString spaced;
        const int length = text.size();
        int start = 0;
        for (int i = 0; i < length; ++i) {
            // A piece never ends between the two halves of a surrogate pair.
            if (text.at(i).isHighSurrogate() && i + 1 < length && text.at(i + 1).isLowSurrogate())
                continue;
            const QString piece = text.mid(start, i - start + 1);
            if (metrics.horizontalAdvance(piece) > boxWidth - (2 * kMargin + 25)) {
                spaced += piece;
                spaced += QLatin1Char(' ');
                start = i + 1;
                if (start != length)
                    ++lines;
            }
        }
        spaced += text.mid(start);
        m_text = spaced;
    }

    if (!isSingleButton())
        return;
    m_textHeight = metrics.lineSpacing() * lines;
    const int needed = m_textHeight + 2 * kMargin + titleHeight() + m_okButton.height() + 80;
    if (m_textHeight > height() - (2 * kMargin + titleHeight() + m_okButton.height() + 80)) {
        const int grownWidth = lines <= 4 ? boxWidth : boxWidth + (lines - 4) * 50;
        setBoxSize(grownWidth, needed);
    }
}

void AKMessageBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void AKMessageBox::layoutChildren()
{
    const int w = width();
    const int h = height();
    const int t = titleHeight();
    const int textHeight = m_textHeight;
    if (isSingleButton()) {
        const int labelHeight = textHeight + 15;
        const int y = (h - (labelHeight + 18 + kButtonHeight)) / 2;
        m_label.setGeometry(kMargin + 10, y, w - (2 * kMargin + 20), labelHeight);
        m_okButton.setGeometry(w / 2 - 35, y + labelHeight + 18, kButtonWidth, kButtonHeight);
    } else if (m_okButton.isHidden() && m_cancelButton.isHidden()) {
        m_label.setGeometry(kMargin, (h - textHeight) / 2 + t / 2, w - 2 * kMargin, textHeight);
    } else {
        m_label.setGeometry(kMargin + 10, t + kMargin + 10, w - (2 * kMargin + 20), textHeight);
        const int y = t + kMargin + textHeight + 20;
        m_okButton.setGeometry((w - 20) / 2 - kButtonWidth, y, kButtonWidth, kButtonHeight);
        m_cancelButton.setGeometry((w + 20) / 2, y, kButtonWidth, kButtonHeight);
    }
}

void AKMessageBox::paintEvent(QPaintEvent *event)
{
    AKWidget::paintEvent(event);
    QPainter painter(this);
    const int t = titleHeight();
    painter.fillRect(10, t + 10, width() - 20, height() - t - 20, QColor(255, 255, 255));
}
