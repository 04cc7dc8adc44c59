#pragma once

#include "windows/akmainwindow.h"

#include "classroomstandin.h"
#include "tempdir.h"
#include "webtestsupport.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>

#include <memory>

// The main window shown on the classroom stand-in's server, with its page's loads counted and
// every log message captured.
class MainWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the classroom page and waits for the load to finish.
    void loadPage();
    QVariant js(const QString &script);
    // HTML5 full screen needs a user's gesture: a real click on the page's button.
    void clickFullScreenButton();
    void enterFullScreen();

    webtest::LogCapture log;
    testsupport::TempDir programDir;
    classroom::ClassroomStandin standin;
    std::unique_ptr<AKMainWindow> window;
    std::unique_ptr<webtest::LoadWatcher> loads;
};
