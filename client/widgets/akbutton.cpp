#include "akbutton.h"

#include "fontfromstyle.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {
// Spacing between the edges, the picture and the text.
constexpr int kSpacing = 6;
} // namespace

AKButton::AKButton(QWidget *parent, const ButtonStyle &style, const QString &text)
    : AKWidget(parent, style.frame), m_text(text), m_style(style)
{
    setFocusPolicy(Qt::NoFocus);
}

AKButton::~AKButton() = default;

void AKButton::setButtonStyle(const ButtonStyle &style)
{
    setFrameStyle(style.frame);
    m_style = style;
}

void AKButton::setEnabled(bool on)
{
    setStateBit(Disabled, !on);
    update();
}

void AKButton::setDisabled(bool off)
{
    setEnabled(!off);
}

void AKButton::setText(const QString &text)
{
    m_text = text;
    update();
}

void AKButton::setChecked(bool checked)
{
    if (!m_checkable)
        return;
    setStateBit(Checked, checked);
    update();
}

void AKButton::toggle()
{
    setChecked(true);
    emit toggled(true);
}

void AKButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || (m_state & Disabled))
        return;
    if (m_checkable) {
        if (m_exclusive && isChecked())
            return;
        setChecked(!isChecked());
    }
    emit pressed();
    emit toggled(isChecked());
    emit clicked(isChecked());
}

void AKButton::mouseReleaseEvent(QMouseEvent *)
{
    if (!(m_state & Disabled))
        emit released();
}

void AKButton::enterEvent(QEvent *)
{
    if (m_state & Hover)
        return;
    setStateBit(Hover, true);
    update();
}

void AKButton::leaveEvent(QEvent *)
{
    if (!(m_state & Hover))
        return;
    setStateBit(Hover, false);
    update();
}

AKButton::StateStyle AKButton::selectStateStyle() const
{
    const StateColors &bg = m_style.background;
    const StateColors &fg = m_style.textColor;
    const StatePixmaps &pix = m_style.icon;
    if (m_state & Disabled)
        return {bg.disabled, fg.disabled, pix.disabled};
    if ((m_state & Checked) && (m_state & Hover))
        return {bg.checkedHover, fg.checkedHover, pix.checkedHover};
    if (m_state & Checked)
        return {bg.checked, fg.checked, pix.checked};
    if (m_state & Hover)
        return {bg.hover, fg.hover, pix.hover};
    return {bg.normal, fg.normal, pix.normal};
}

void AKButton::paintEvent(QPaintEvent *event)
{
    const StateStyle selected = selectStateStyle();
    setFrameBackground(selected.background);
    AKWidget::paintEvent(event);

    const bool hasText = !m_text.isEmpty();
    const bool hasPicture = !selected.picture.isNull();
    if (!hasText && !hasPicture)
        return;

    QPainter painter(this);
    const int w = width();
    const int h = height();
    const QPixmap &picture = selected.picture;
    const int pw = picture.width();
    const int ph = picture.height();

    if (!hasText) {
        painter.drawPixmap((w - pw) / 2, (h - ph) / 2, picture);
        return;
    }

    painter.setPen(selected.text);
    painter.setFont(fontFromStyle(m_style.font));
    const QFontMetrics metrics = painter.fontMetrics();
    int textWidth = metrics.horizontalAdvance(m_text);

    if (!hasPicture) {
        QString shown = m_text;
        if (textWidth > w)
            shown = metrics.elidedText(m_text, Qt::ElideRight, w);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.drawText(QRect(0, 0, w, h), Qt::AlignCenter, shown);
        return;
    }

    QString shown = m_text;
    switch (m_iconPosition) {
    case IconLeft:
    case IconRight: {
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        const int rowHeight = ph >= m_style.font.pixelSize ? ph : m_style.font.pixelSize;
        const int y = (h - rowHeight) / 2;
        int x;
        if (pw + textWidth + 3 * kSpacing > w) {
            x = kSpacing;
            // The picture sits in the same row: the text gets what the picture and the three
            // spacings leave, so that the elided text ends inside the button.
            textWidth = w - pw - 3 * kSpacing;
            shown = metrics.elidedText(m_text, Qt::ElideRight, textWidth);
        } else {
            x = (w - pw - textWidth - kSpacing) / 2;
        }
        if (m_iconPosition == IconLeft) {
            painter.drawPixmap(x, y, picture);
            x += pw + kSpacing;
            painter.drawText(QRect(x, y, textWidth, rowHeight), Qt::AlignCenter, shown);
        } else {
            painter.drawText(QRect(x, y, textWidth, rowHeight), Qt::AlignCenter, shown);
            x += textWidth + kSpacing;
            painter.drawPixmap(x, y, picture);
        }
        break;
    }
    case IconTop:
    case IconBottom: {
        int x;
        if (textWidth + 2 * kSpacing > w) {
            x = kSpacing;
            textWidth = w - 2 * kSpacing;
            shown = metrics.elidedText(m_text, Qt::ElideRight, textWidth);
        } else {
            x = (w - textWidth) / 2;
        }
        if (m_iconPosition == IconTop) {
            painter.drawPixmap((w - pw) / 2, kSpacing, picture);
            painter.drawText(
                QRect(x, 2 * kSpacing + ph, textWidth, h - (2 * kSpacing + ph) - kSpacing),
                Qt::AlignCenter, shown);
        } else {
            painter.drawPixmap((w - pw) / 2, h - kSpacing - ph, picture);
            painter.drawText(QRect(x, kSpacing, textWidth, h - 2 * kSpacing - ph), Qt::AlignCenter,
                             shown);
        }
        break;
    }
    }
}
