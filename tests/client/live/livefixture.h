#pragma once

#include "live/live.h"
#include "live/liveowner.h"

#include <ilive/ilivesimulation.h>

#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// One ordered record of what happened: "sdk:" for each call the SDK received, "log:" for each
// information line (another level shows its own name), "page:" for each result the owner was
// told.
using Timeline = std::vector<std::string>;

class FakeOwner : public QWidget, public LiveOwner
{
public:
    explicit FakeOwner(Timeline &timeline) : timeline_(timeline) {}
    QWidget *liveWindow() override { return this; }
    void checkPushStreamResult(int result) override
    {
        timeline_.push_back("page:" + std::to_string(result));
    }

private:
    Timeline &timeline_;
};

class LiveTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the event loop until the SDK has delivered every answer it owes.
    static void settle();
    // Logs in to the room 1234 with the given flags and lets the room start.
    void enterRoom(int bpush, int brecord);
    // What happened since the last call, and forget it.
    Timeline take();
    // The openScreenShare call the owner window's area gives.
    std::string shareCall() const;

    Timeline timeline;
    FakeOwner owner{timeline};
    Live *live = nullptr;
};
