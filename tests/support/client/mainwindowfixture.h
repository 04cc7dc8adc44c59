#pragma once

#include "windows/akmainwindow.h"

#include "standinfixture.h"
#include "webtestsupport.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>

#include <memory>

// The main window shown on the classroom stand-in's server, with its page's loads counted and
// every log message captured.
class MainWindowFixture : public StandinFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the classroom page and waits for the load to finish.
    void loadPage();
    // The same, then waits until the page has reached the client over the web channel.
    void loadConnectedPage();
    QVariant js(const QString &script);
    // HTML5 full screen needs a user's gesture: a real click on the page's button.
    void clickFullScreenButton();
    void enterFullScreen();

    webtest::LogCapture log;
    std::unique_ptr<AKMainWindow> window;
    std::unique_ptr<webtest::LoadWatcher> loads;
};
