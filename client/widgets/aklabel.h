#pragma once

#include "stylerecords.h"

#include <QLabel>

// Black 12 px text on a transparent fill, grey when disabled.
LabelStyle defaultLabelStyle();

// A QLabel whose font and colours come from a LabelStyle; its text colour follows the pointer.
class AKLabel : public QLabel
{
    Q_OBJECT
public:
    AKLabel(QWidget *parent, const LabelStyle &style);
    AKLabel(const QString &text, QWidget *parent, const LabelStyle &style);
    ~AKLabel() override;

    void applyLabelStyle(const LabelStyle &style);
    LabelStyle labelStyle() const { return m_labelStyle; }
    // Part of the label's interface; nothing in this program calls it.
    void setLabelDisabled(bool disabled);

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    enum LabelStateBit
    {
        HoverBit = 1,
        DisabledBit = 2
    };

    void updateLabelColors();

    LabelStyle m_labelStyle = defaultLabelStyle();
    int m_labelState = 0;
};
