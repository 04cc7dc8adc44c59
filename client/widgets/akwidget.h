#pragma once

#include "stylerecords.h"

#include <QWidget>

// Base of the client's painted widgets: fills and outlines its area from a FrameStyle.
class AKWidget : public QWidget
{
    Q_OBJECT
public:
    AKWidget(QWidget *parent, const FrameStyle &style);
    ~AKWidget() override;

    void setFrameStyle(const FrameStyle &style);
    // Part of the widget's interface; nothing in this program calls it.
    FrameStyle frameStyle() const { return m_frameStyle; }

protected:
    void paintEvent(QPaintEvent *event) override;
    // For subclasses that choose the fill per paint: changes the colour without a repaint, so
    // that doing it inside paintEvent does not schedule the next paint.
    void setFrameBackground(const QColor &color) { m_frameStyle.background = color; }

private:
    FrameStyle m_frameStyle;
};
