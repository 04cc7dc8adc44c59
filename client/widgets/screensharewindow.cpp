#include "screensharewindow.h"

#include "ui_screensharewindow.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int raiseDelayMs = 3000;
constexpr int slideDurationMs = 300;
// Bottom rows (in QRect's sense, the last row inside) of the bar when raised and when lowered:
// raised, the screen's rows 0 to 10 still show a strip of it to point at.
constexpr int raisedBottom = 10;
constexpr int loweredBottom = 45;

} // namespace

ScreenShareWindow::ScreenShareWindow(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ScreenShareWindow>())
{
    ui->setupUi(this);
    stopButton = findChild<QPushButton *>(QStringLiteral("pushButton"));
    connect(stopButton, &QPushButton::clicked, this, &ScreenShareWindow::onclick);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);
}

ScreenShareWindow::~ScreenShareWindow() = default;

void ScreenShareWindow::placeShareBar()
{
    const int x = (QApplication::desktop()->width() - width()) / 2;
    move(x, 0);
    // A second start within the delay arms a second timer on purpose: each one raises the bar.
    QTimer::singleShot(raiseDelayMs, this, &ScreenShareWindow::ontimeout);
}

void ScreenShareWindow::slideUp()
{
    slideToBottom(raisedBottom);
}

void ScreenShareWindow::slideDown()
{
    // Fully shown already (placed and not yet raised): nothing to bring back.
    if (geometry().top() == 0)
        return;
    slideToBottom(loweredBottom);
}

void ScreenShareWindow::slideToBottom(int bottom)
{
    const QRect from = geometry();
    QRect to = from;
    to.moveBottom(bottom);
    // Freed when it ends, or with the bar if that goes first; a running slide is left to run.
    auto *animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(slideDurationMs);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ScreenShareWindow::enterEvent(QEvent *event)
{
    slideDown();
    QWidget::enterEvent(event);
}

void ScreenShareWindow::leaveEvent(QEvent *event)
{
    slideUp();
    QWidget::leaveEvent(event);
}

void ScreenShareWindow::onclick()
{
    emit onStopShareClick();
    hide();
}

void ScreenShareWindow::ontimeout()
{
    slideUp();
}
