#include "testisolation.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testsupport::installTestIsolation();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
