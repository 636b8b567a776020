#include "updaterentry.h"

int main(int argc, char *argv[])
{
    return UpdaterEntry::run(argc, argv);
}
