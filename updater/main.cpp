#include "installer.h"

int main(int argc, char **argv)
{
    return updater::runInstaller(argc, argv);
}
