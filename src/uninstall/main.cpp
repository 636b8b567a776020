#include "uninstallerentry.h"

int main(int argc, char *argv[])
{
    return UninstallerEntry::run(argc, argv);
}
