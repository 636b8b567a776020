#pragma once

// The entry function of the uninstall program.
class UninstallerEntry
{
public:
    static int run(int &argc, char **argv);
};
