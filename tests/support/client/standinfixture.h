#pragma once

#include "classroomstandin.h"
#include "tempdir.h"

#include <gtest/gtest.h>

// The classroom stand-in serving on a port of its own, with the client's server address pointing
// at it and its program folder (appDir) at a folder of the test's own; appDir is cleared after
// the test.
class StandinFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    testsupport::TempDir programDir;
    classroom::ClassroomStandin standin;
};
