#include "mainviewtest.h"

#include "app/globals.h"
#include "web/akwebview.h"

namespace webtest {

void MainViewTest::openView(const QSize &windowSize)
{
    appDir = QString::fromStdString(programDir.path().string()) + QLatin1Char('/');
    window.resize(windowSize);
    window.show();
    view = new AKWebView(&window);
    loads = std::make_unique<LoadWatcher>(view);
}

void MainViewTest::TearDown()
{
    loads.reset();
    delete view;
    view = nullptr;
    appDir.clear();
}

} // namespace webtest
