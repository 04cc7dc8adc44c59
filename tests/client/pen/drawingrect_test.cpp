#include "pen/drawingrect.h"
#include "pen/hwhandler.h"

#include "webtestsupport.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

TEST(DrawingRect, ScriptAnswersBecomeTheProcesssDrawingArea)
{
    const struct
    {
        QVariant result;
        QRect expected;
    } cases[] = {
        {QStringLiteral(R"({"x":100,"y":50,"width":600,"height":600,"top":50,"right":699,)"
                        R"("bottom":649,"left":100})"),
         QRect(QPoint(100, 50), QPoint(699, 649))},
        // A page without the element resets an area found before.
        {QString(), QRect()},
        {QStringLiteral(R"({"x":-20,"y":5,"right":10,"bottom":30})"),
         QRect(QPoint(-20, 5), QPoint(10, 30))},
        // Missing edges count as 0.
        {QStringLiteral(R"({"x":10,"y":20})"), QRect(QPoint(10, 20), QPoint(0, 0))},
        {QVariant(), QRect()},
        // Not an object: every edge 0, which is not the null rectangle.
        {QStringLiteral("[1,2,3]"), QRect(0, 0, 1, 1)},
        {QStringLiteral("not json"), QRect(0, 0, 1, 1)},
    };
    for (const auto &c : cases) {
        drawingRect = QRect(1, 2, 3, 4);
        HwHandler::onDrawingRectResult(c.result);
        EXPECT_EQ(drawingRect, c.expected) << c.result.toString().toStdString();
        EXPECT_EQ(drawingRect.isNull(), c.expected.isNull());
    }
}

TEST(DrawingRect, TheAnswerIsLoggedAsAQuotedText)
{
    webtest::LogCapture log;
    HwHandler::onDrawingRectResult(QStringLiteral(R"({"x":1})"));
    HwHandler::onDrawingRectResult(QString());
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral(R"(runJavaScript result:  "{\"x\":1}")"),
                                        QStringLiteral(R"(runJavaScript result:  "")")}));
}

TEST(DrawingRect, TheScriptFindsTheFirstDrawingElementOrNone)
{
    QWebEngineView view;
    view.resize(800, 600);
    QWebEnginePage *page = view.page();
    webtest::LoadWatcher loads(&view);
    view.setHtml(QStringLiteral(
        "<body style='margin:0'><div style='height:30px'></div>"
        "<div class='lc-drawing' style='margin-left:40px;width:200px;height:100px'></div>"
        "<div class='lc-drawing' style='width:50px;height:50px'></div></body>"));
    ASSERT_TRUE(loads.waitForLoads(1));
    HwHandler::onDrawingRectResult(webtest::runScript(page, drawingRectScript));
    EXPECT_EQ(drawingRect, QRect(QPoint(40, 30), QPoint(240, 130)));

    webtest::runScript(page, QStringLiteral("document.querySelectorAll('.lc-drawing')"
                                            ".forEach(function (e) { e.remove(); })"));
    HwHandler::onDrawingRectResult(webtest::runScript(page, drawingRectScript));
    EXPECT_TRUE(drawingRect.isNull());
}

} // namespace
