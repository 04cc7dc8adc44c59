// The pen library stays loaded, and its worker thread keeps calling back, until the process
// ends: longer than the application object. These tests make and destroy the application
// themselves.
#include "pen/hwhandler.h"

#include "app/globals.h"
#include "fakepen.h"
#include "recordingmouse.h"

#include "ScrivloController.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

FakePen *penDuringTeardown = nullptr;

// Runs while the application object is being destroyed, after the handler's own clean-up: a
// pen touch comes from the library's thread, and whatever it handed over is delivered at once.
void touchDuringTeardown()
{
    penDuringTeardown->sendPoints({15000, 1500, 5});
    QCoreApplication::sendPostedEvents();
}

TEST(PenHandOverAtExit, NothingIsHandedToAnApplicationThatIsGoing)
{
    FakePen fake(FAKE_PEN_FOLDER);
    ASSERT_TRUE(fake.loaded());
    appDir = QString::fromLatin1(FAKE_PEN_FOLDER);
    int argc = 1;
    char name[] = "handoveratexit";
    char *argv[] = {name, nullptr};
    auto application = std::make_unique<QCoreApplication>(argc, argv);

    // Registered before the handler exists, so it runs after the handler's clean-up.
    penDuringTeardown = &fake;
    qAddPostRoutine(&touchDuringTeardown);
    auto log = std::make_shared<QStringList>();
    // As in the program, the handler outlives the application.
    auto handler = std::make_unique<HwHandler>(nullptr, std::make_unique<RecordingMouse>(log));
    ASSERT_EQ(handler->loadPenLibrary(), PenOk);

    // While the application runs, a touch reaches the handler.
    fake.sendPoints({15000, 1500, 5, 15000, 1500, 0});
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(*log, QStringList({QStringLiteral("down"), QStringLiteral("up")}));

    log->clear();
    application.reset();
    EXPECT_TRUE(log->isEmpty()) << log->join(QLatin1Char(' ')).toStdString();
    // Once it has gone the library's events are dropped.
    fake.sendPoints({15000, 1500, 0});
    fake.reportConnection();
    EXPECT_TRUE(log->isEmpty());
    handler.reset();
    appDir.clear();
}

} // namespace
