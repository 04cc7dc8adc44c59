#include "startup.h"

#include <QApplication>

int runClient(int argc, char **argv)
{
    QApplication app(argc, argv);
    return app.exec();
}
