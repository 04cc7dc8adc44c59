#include "standinfixture.h"

#include "app/globals.h"

void StandinFixture::SetUp()
{
    ASSERT_TRUE(standin.start());
    serverBaseUrl = standin.baseUrl();
    appDir = QString::fromStdString(programDir.path().string()) + QLatin1Char('/');
}

void StandinFixture::TearDown()
{
    appDir.clear();
}
