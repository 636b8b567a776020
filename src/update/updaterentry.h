#pragma once

// The entry function of the update program.
class UpdaterEntry
{
public:
    static int run(int &argc, char **argv);
};
