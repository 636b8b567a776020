#pragma once

// The entry function of the install program.
class InstallerEntry
{
public:
    static int run(int &argc, char **argv);
};
