#pragma once

#include "live/liveowner.h"
#include "web/viewowner.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <QWebEngineFullScreenRequest>

#include <memory>

class AKFullScreenWindow;
class AKWebView;

// The client's one main window: the classroom page's view over its whole inner area, the
// close question, and the page's HTML5 full-screen requests.
class AKMainWindow : public QMainWindow, public LiveOwner, public ViewOwner
{
    Q_OBJECT
public:
    explicit AKMainWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~AKMainWindow() override;

    void loadClassroomUrl(const QUrl &url);
    void checkPushStreamResult(int result) override;
    QWidget *liveWindow() override { return this; }

    // The page scripts' elementScript, in the window's interface; nothing in this program calls it.
    static QString buildElementScript(const QString &id, const QString &value, int mode);

    // Null once the user has confirmed closing.
    AKWebView *view() const;
    bool isInFullScreen() const { return fullScreenWindow != nullptr; }

public slots:
    void handleWebViewTitleChanged(QString title) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onFullRequestWindow(QWebEngineFullScreenRequest request);
    // Part of the window's interface, does nothing; nothing in this program calls it.
    void onStartBroadCast();

private:
    void endFullScreen();

    QPointer<AKWebView> webView;
    std::unique_ptr<AKFullScreenWindow> fullScreenWindow;
};
