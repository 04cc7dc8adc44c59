#include "akmainwindow.h"

#include "akfullscreenwindow.h"
#include "app/globals.h"
#include "web/akwebpage.h"
#include "web/akwebview.h"
#include "web/pagescripts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QSurfaceFormat>

AKMainWindow::AKMainWindow(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    webView = new AKWebView(this);

    QSurfaceFormat format;
    format.setSwapBehavior(QSurfaceFormat::SingleBuffer);
    QSurfaceFormat::setDefaultFormat(format);

    setWindowIcon(QIcon(QStringLiteral("./ico/64x64.ico")));

    // Below a title bar's height from the top of the screen, not of the work area.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const int titleBar = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    setGeometry(available.x(), titleBar, available.width(), available.height() - titleBar);
    setFixedSize(available.width(), available.height() - titleBar);

    connect(webView->ownPage(), &QWebEnginePage::fullScreenRequested, this,
            &AKMainWindow::onFullRequestWindow);
}

AKMainWindow::~AKMainWindow()
{
    // The full-screen window hands the page back to the view: it goes while the view is here.
    endFullScreen();
    // The view ends the live room, whose results come to this window: it goes while the window
    // is whole.
    delete webView.data();
}

AKWebView *AKMainWindow::view() const
{
    return webView;
}

void AKMainWindow::loadClassroomUrl(const QUrl &url)
{
    if (!webView)
        return;
    if (url.isEmpty())
        webView->loadDefaultUrl();
    else
        webView->load(url);
}

void AKMainWindow::checkPushStreamResult(int result)
{
    if (webView)
        webView->checkPushStreamResult(result);
}

void AKMainWindow::handleWebViewTitleChanged(QString title)
{
    Q_UNUSED(title);
    setWindowTitle(appName);
}

void AKMainWindow::onFullRequestWindow(QWebEngineFullScreenRequest request)
{
    if (request.toggleOn()) {
        if (fullScreenWindow || !webView)
            return;
        request.accept();
        fullScreenWindow = std::make_unique<AKFullScreenWindow>(webView, this);
    } else {
        if (!fullScreenWindow)
            return;
        request.accept();
        endFullScreen();
    }
}

void AKMainWindow::onStartBroadCast() {}

void AKMainWindow::endFullScreen()
{
    fullScreenWindow.reset();
}

QString AKMainWindow::buildElementScript(const QString &id, const QString &value, int mode)
{
    return elementScript(id, value, mode);
}

void AKMainWindow::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void AKMainWindow::resizeEvent(QResizeEvent *event)
{
    if (webView)
        webView->setGeometry(rect());
    event->accept();
}

void AKMainWindow::closeEvent(QCloseEvent *event)
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("退出程序"), QStringLiteral("是否退出程序?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::No) {
        event->ignore();
        return;
    }
    if (answer == QMessageBox::Yes) {
        // The full-screen view shows the page that the main view owns: it gives it back first.
        endFullScreen();
        delete webView.data();
        event->accept();
    }
}
