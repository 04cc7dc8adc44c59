#pragma once

#include "akwidget.h"
#include "stylerecords.h"

// A push button painted from a ButtonStyle. It keeps its own hover, checked and disabled bits
// (the QWidget enabled state is left alone), reports a left press as the click and never takes
// the keyboard focus.
class AKButton : public AKWidget
{
    Q_OBJECT
public:
    enum ButtonState
    {
        Hover = 1,
        Checked = 2,
        Disabled = 4
    };
    enum IconPosition
    {
        IconLeft = 0,
        IconRight = 1,
        IconTop = 2,
        IconBottom = 3
    };

    AKButton(QWidget *parent, const ButtonStyle &style, const QString &text);
    ~AKButton() override;

    // Part of the button's interface, as is buttonStyle; nothing in this program calls them.
    void setButtonStyle(const ButtonStyle &style);
    ButtonStyle buttonStyle() const { return m_style; }
    QString text() const { return m_text; }

    bool isChecked() const { return m_state & Checked; }
    // Hides QWidget::isEnabled: a disabled button still gets its events, it only ignores presses.
    // Part of the button's interface; nothing in this program calls it.
    bool isEnabled() const { return !(m_state & Disabled); }

    // Part of the button's interface, up to iconPosition; nothing in this program calls them.
    void setCheckable(bool checkable) { m_checkable = checkable; }
    bool isCheckable() const { return m_checkable; }
    void setExclusive(bool exclusive) { m_exclusive = exclusive; }
    bool isExclusive() const { return m_exclusive; }
    void setIconPosition(IconPosition position) { m_iconPosition = position; }
    IconPosition iconPosition() const { return m_iconPosition; }

signals:
    void clicked(bool checked = false);
    void toggled(bool checked);
    void pressed();
    void released();

public slots:
    void setEnabled(bool);
    void setDisabled(bool);
    void setText(const QString &text);
    void setChecked(bool checked);
    // Part of the button's interface; nothing in this program calls it.
    void toggle();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct StateStyle
    {
        QColor background;
        QColor text;
        QPixmap picture;
    };
    StateStyle selectStateStyle() const;
    void setStateBit(ButtonState bit, bool on) { m_state = on ? m_state | bit : m_state & ~bit; }

    int m_state = 0;
    QString m_text;
    ButtonStyle m_style;
    bool m_checkable = false;
    IconPosition m_iconPosition = IconLeft;
    bool m_exclusive = false;
};
