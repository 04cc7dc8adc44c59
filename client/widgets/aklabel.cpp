#include "aklabel.h"

LabelStyle defaultLabelStyle()
{
    return LabelStyle(Qt::black, Qt::black, Qt::gray, FontStyle(12, false, false, false),
                      Qt::transparent);
}

AKLabel::AKLabel(QWidget *parent, const LabelStyle &style) : QLabel(parent)
{
    applyLabelStyle(style);
}

AKLabel::AKLabel(const QString &text, QWidget *parent, const LabelStyle &style)
    : QLabel(text, parent)
{
    applyLabelStyle(style);
}

AKLabel::~AKLabel() = default;

void AKLabel::applyLabelStyle(const LabelStyle &style)
{
    // Keep the family the label has (the application's or its parent's), replace the rest.
    QFont labelFont = font();
    labelFont.setPixelSize(style.font.pixelSize);
    labelFont.setBold(style.font.bold);
    labelFont.setItalic(style.font.italic);
    labelFont.setUnderline(style.font.underline);
    setFont(labelFont);
    m_labelStyle = style;
    updateLabelColors();
}

void AKLabel::setLabelDisabled(bool disabled)
{
    if (disabled)
        m_labelState |= DisabledBit;
    else
        m_labelState &= ~DisabledBit;
    updateLabelColors();
    setDisabled(disabled);
}

void AKLabel::enterEvent(QEvent *)
{
    m_labelState |= HoverBit;
    updateLabelColors();
}

void AKLabel::leaveEvent(QEvent *)
{
    m_labelState &= ~HoverBit;
    updateLabelColors();
}

void AKLabel::updateLabelColors()
{
    QColor text = m_labelStyle.normalText;
    if (m_labelState & DisabledBit)
        text = m_labelStyle.disabledText;
    else if (m_labelState & HoverBit)
        text = m_labelStyle.hoverText;
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, m_labelStyle.frame.background);
    colors.setColor(QPalette::WindowText, text);
    setPalette(colors);
    update();
}
