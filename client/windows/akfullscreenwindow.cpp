#include "akfullscreenwindow.h"

#include "app/globals.h"
#include "web/akwebview.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QResizeEvent>

AKFullScreenWindow::AKFullScreenWindow(AKWebView *oldView, QWidget *parent)
    : QWidget(parent), fullScreenView(new AKWebView(this, AKWebView::DisplayOnly)),
      oldView(oldView), oldGeometry(oldView->geometry())
{
    auto *exitAction = new QAction(this);
    exitAction->setShortcut(Qt::Key_Escape);
    connect(exitAction, &QAction::triggered, this,
            [this] { fullScreenView->triggerPageAction(QWebEnginePage::ExitFullScreen); });
    addAction(exitAction);

    fullScreenView->setPage(oldView->activePage());
    setGeometry(oldGeometry);
    setWindowTitle(appName);
    setWindowIcon(QIcon(QStringLiteral("./ico/64x64.ico")));
    show();
    oldView->hide();
}

AKFullScreenWindow::~AKFullScreenWindow()
{
    if (oldView) {
        oldView->setPage(oldView->activePage());
        oldView->setGeometry(oldGeometry);
        oldView->show();
    }
    hide();
}

void AKFullScreenWindow::resizeEvent(QResizeEvent *event)
{
    fullScreenView->setGeometry(QRect(QPoint(0, 0), size()));
    QWidget::resizeEvent(event);
}
