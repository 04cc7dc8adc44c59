#include "akfullscreennotification.h"

#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QShowEvent>

AKFullScreenNotification::AKFullScreenNotification(QWidget *parent) : QLabel(parent)
{
    setText(tr("You are now in full screen mode. Press ESC to quit!"));
    setStyleSheet(QStringLiteral("font-size: 18px;color: white;background-color: black;"
                                 "border-color: white;border-width: 2px;border-style: solid;"
                                 "padding: 50px"));
    // The page below stays usable while the notice is up.
    setAttribute(Qt::WA_TransparentForMouseEvents);

    auto *effect = new QGraphicsOpacityEffect(this);
    effect->setOpacity(1.0);
    setGraphicsEffect(effect);

    auto *fade = new QSequentialAnimationGroup(this);
    fade->addPause(2000);
    auto *fadeOut = new QPropertyAnimation(effect, "opacity");
    fadeOut->setDuration(2000);
    fadeOut->setStartValue(1.0);
    fadeOut->setEndValue(0.0);
    fadeOut->setEasingCurve(QEasingCurve::OutQuad);
    fade->addAnimation(fadeOut);

    connect(this, &AKFullScreenNotification::shown, fade, [fade] { fade->start(); });
    connect(fade, &QAbstractAnimation::finished, this, &QWidget::hide);
}

AKFullScreenNotification::~AKFullScreenNotification() = default;

void AKFullScreenNotification::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    // A restored main window sends its visible children show events again: those must not
    // bring back a notice that has faded or restart one that is fading.
    if (!wasVisible && isVisible())
        emit shown();
    wasVisible = isVisible();
}
