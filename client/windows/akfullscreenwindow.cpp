#include "akfullscreenwindow.h"

#include "akfullscreennotification.h"
#include "app/globals.h"
#include "web/akwebview.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QResizeEvent>

AKFullScreenWindow::AKFullScreenWindow(AKWebView *oldView, QWidget *parent)
    : QWidget(parent), fullScreenView(new AKWebView(this, AKWebView::DisplayOnly)),
      oldView(oldView), oldGeometry(oldView->geometry()),
      notification(new AKFullScreenNotification(this))
{
    fullScreenView->stackUnder(notification);

    auto *exitAction = new QAction(this);
    exitAction->setShortcut(Qt::Key_Escape);
    // The page answers with a request to leave full screen, on which the main window deletes
    // this widget.
    connect(exitAction, &QAction::triggered, this,
            [this] { fullScreenView->triggerPageAction(QWebEnginePage::ExitFullScreen); });
    addAction(exitAction);

    fullScreenView->showPage(oldView->activePage());
    setGeometry(oldGeometry);
    setWindowTitle(appName);
    setWindowIcon(QIcon(QStringLiteral("./ico/64x64.ico")));
    show();
    oldView->hide();
}

AKFullScreenWindow::~AKFullScreenWindow()
{
    if (oldView) {
        // The page shown here is the main view's own page.
        oldView->setPage(oldView->activePage());
        oldView->setGeometry(oldGeometry);
        oldView->show();
    }
    hide();
}

void AKFullScreenWindow::resizeEvent(QResizeEvent *event)
{
    const QRect area(QPoint(0, 0), size());
    fullScreenView->setGeometry(area);
    QRect noticeArea(QPoint(0, 0), notification->sizeHint());
    noticeArea.moveCenter(area.center());
    notification->setGeometry(noticeArea);
    QWidget::resizeEvent(event);
}
