#include "installerentry.h"

int main(int argc, char *argv[])
{
    return InstallerEntry::run(argc, argv);
}
