#include "testisolation.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testsupport::installTestIsolation();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication::setAttribute(Qt::AA_UseSoftwareOpenGL);
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
