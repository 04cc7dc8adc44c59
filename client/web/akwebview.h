#pragma once

#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

class AKWebPage;
class HwHandler;
class JsOperation;
class QHideEvent;
class QMouseEvent;
class QShowEvent;
class QWebChannel;
class ShareScreenJSOperation;

// The embedded browser that shows the classroom page. The main window's view owns the page,
// its web channel and the bridge objects on it; a display-only view (full-screen and pop-up
// windows) only shows a page that it is given and owns none of these.
class AKWebView : public QWebEngineView
{
    Q_OBJECT
public:
    enum DisplayOnlyForm
    {
        DisplayOnly
    };

    explicit AKWebView(QWidget *parent);
    AKWebView(QWidget *parent, DisplayOnlyForm);
    ~AKWebView() override;

    void loadDefaultUrl();
    // Writes a live-room result into the page ("room_live", then "checkResult").
    void checkPushStreamResult(int result);

    bool isDisplayOnly() const { return displayOnly; }
    // Shows page in a display-only view; the view keeps no hold on it.
    void showPage(QWebEnginePage *page);
    // The page that this view's scripts run in: the view's own page for the main view, also
    // while another view shows it; for a display-only view the page it was given while it still
    // shows it, otherwise null. QWebEngineView::page() is no substitute: on a view that shows no
    // page it makes a new blank page.
    QWebEnginePage *activePage() const;
    AKWebPage *ownPage() const { return webPage; }
    QWebChannel *channel() const { return webChannel; }

signals:
    void runjs(bool finish);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // The base tells the shown page; on a view that shows none it would make a blank one.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void onloadFinish(bool);
    void onurlChanged(QUrl url);
    void onRunJavaScript(bool finish);

private:
    void connectViewSignals();
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status,
                                   int exitCode);
    bool showsItsPage() const;
    void runAfterLoadScripts();
    void runAfterUrlChangeScripts();

    QWidget *parentWindow;
    AKWebPage *webPage = nullptr;
    QWebChannel *webChannel = nullptr;
    JsOperation *liveObject = nullptr;
    // The "LiveObj" and "ScreenShareObj" bridge objects and the pen handler join the main
    // view here: liveObject (owned, deleted by the destructor), screenShareObject (a child of
    // parentWindow) and penHandler (never deleted).
    bool displayOnly = false;
    ShareScreenJSOperation *screenShareObject = nullptr;
    HwHandler *penHandler = nullptr;
    // What a display-only view was given to show; it may have been given back since.
    QPointer<QWebEnginePage> shownPage;
};
