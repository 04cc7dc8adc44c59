#pragma once

#include <QWidget>

#include <memory>

class QPushButton;

namespace Ui {
class ScreenShareWindow;
}

// The small floating bar with the stop button that stays at the top of the desktop while the
// page shares the screen. It slides up out of the way after a few seconds, leaving a strip that
// brings it back while the pointer is over it.
class ScreenShareWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ScreenShareWindow(QWidget *parent = nullptr);
    ~ScreenShareWindow() override;

    // Centres the bar on the desktop's top edge and raises it three seconds later.
    void placeShareBar();

signals:
    void onStopShareClick();

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private slots:
    void onclick();
    void ontimeout();

private:
    void slideUp();
    void slideDown();
    void slideToBottom(int bottom);

    std::unique_ptr<Ui::ScreenShareWindow> ui;
    QPushButton *stopButton = nullptr;
};
