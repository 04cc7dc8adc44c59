#pragma once

#include "webtestsupport.h"

#include "tempdir.h"

#include <QSize>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

class AKWebView;

namespace webtest {

// Tests of a whole main view: a shown window with the view in it, counting its loads, and the
// client's program folder (appDir) pointing at a folder of the test's own. The view goes before
// the window; appDir is cleared afterwards.
class MainViewTest : public ::testing::Test
{
protected:
    void openView(const QSize &windowSize);
    void TearDown() override;

    testsupport::ProgramFolder programDir;
    QWidget window;
    AKWebView *view = nullptr;
    std::unique_ptr<LoadWatcher> loads;
};

} // namespace webtest
