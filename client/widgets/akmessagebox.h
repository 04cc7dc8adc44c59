#pragma once

#include "akbutton.h"
#include "aklabel.h"
#include "akwidget.h"

#include <QColor>
#include <QEventLoop>

// The client's frameless message box: a word-wrapped message on a white panel with an ok and a
// cancel button. exec() blocks in a loop of its own and returns 1 for ok, 0 for every other end.
class AKMessageBox : public AKWidget
{
    Q_OBJECT
public:
    AKMessageBox(QWidget *parent, const QString &okText, const QString &cancelText);
    ~AKMessageBox() override;

    int exec();

    void setBoxSize(int width, int height);
    void setMessageText(const QString &text);
    QString messageText() const { return m_text; }
    void setSingleButton(bool single);
    bool isSingleButton() const;
    // Part of the box's interface, as is setMessageColor; nothing in this program calls them.
    void setButtonsVisible(bool visible);
    void setMessageColor(const QColor &color);

public slots:
    virtual void onClickSure(bool checked);
    void onClickCannel(bool checked);
    // Part of the box's interface; nothing in this program connects to it.
    void clickClose(bool bClose);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    static constexpr int kMargin = 10;

    void layoutText(const QString &text);
    void layoutChildren();
    int titleHeight() const { return m_titleBarHeight + 1; }

    int m_textHeight = 20;
    QString m_text;
    AKLabel m_label;
    AKButton m_okButton;
    AKButton m_cancelButton;
    QEventLoop m_eventLoop;
    bool m_twoButtonMode = false;
    int m_titleBarHeight = 30;
    QColor m_messageColor;
};
