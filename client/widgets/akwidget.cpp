#include "akwidget.h"

#include <QPainter>

AKWidget::AKWidget(QWidget *parent, const FrameStyle &style) : QWidget(parent), m_frameStyle(style)
{
}

AKWidget::~AKWidget() = default;

void AKWidget::setFrameStyle(const FrameStyle &style)
{
    m_frameStyle = style;
    update();
}

void AKWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(m_frameStyle.borderColor, m_frameStyle.borderWidth, Qt::SolidLine));
    painter.setBrush(QBrush(m_frameStyle.background, Qt::SolidPattern));
    // The outline is centred on this rectangle; the widget's right and bottom edges keep room for
    // the half of a wide pen that falls outside it.
    const QRect outline(0, 0, width() - m_frameStyle.borderWidth,
                        height() - m_frameStyle.borderWidth);
    if (m_frameStyle.radius != 0)
        painter.drawRoundedRect(outline, m_frameStyle.radius, m_frameStyle.radius,
                                Qt::AbsoluteSize);
    else
        painter.drawRect(outline);
}
