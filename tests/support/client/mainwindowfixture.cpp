#include "mainwindowfixture.h"

#include "web/akwebpage.h"
#include "web/akwebview.h"

#include <QPoint>
#include <QTest>
#include <QVariantList>

using namespace webtest;

void MainWindowFixture::SetUp()
{
    StandinFixture::SetUp();
    if (HasFatalFailure())
        return;
    window = std::make_unique<AKMainWindow>();
    loads = std::make_unique<LoadWatcher>(window->view());
    window->show();
}

void MainWindowFixture::TearDown()
{
    loads.reset();
    window.reset();
    StandinFixture::TearDown();
}

void MainWindowFixture::loadPage()
{
    const int before = loads->loads();
    window->loadClassroomUrl(standin.pageUrl());
    ASSERT_TRUE(loads->waitForLoads(before + 1));
}

void MainWindowFixture::loadConnectedPage()
{
    loadPage();
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(waitUntil([&] { return js(QStringLiteral("window.standin.channel")).toBool(); }));
}

QVariant MainWindowFixture::js(const QString &script)
{
    return runScript(window->view()->ownPage(), script);
}

void MainWindowFixture::clickFullScreenButton()
{
    AKWebView *view = window->view();
    const QVariantList box = js(QStringLiteral("var r = document.getElementById('fullscreen')"
                                               ".getBoundingClientRect(); [r.left + r.width / 2, "
                                               "r.top + r.height / 2]"))
                                 .toList();
    ASSERT_EQ(box.size(), 2);
    const double zoom = view->zoomFactor();
    const QPoint at(qRound(box[0].toDouble() * zoom), qRound(box[1].toDouble() * zoom));
    QWidget *target = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
}

void MainWindowFixture::enterFullScreen()
{
    clickFullScreenButton();
    ASSERT_TRUE(waitUntil([&] { return window->isInFullScreen(); }));
}
