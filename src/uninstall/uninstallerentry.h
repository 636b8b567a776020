#pragma once

// The entry function of the uninstall program.
class UninstallerEntry
{
public:
    static int run(int &argc, char **argv);
    // The check before the window: false after the prompt when 3ds Max runs and still holds the
    // client's start-up scripts; the program then ends with exit code 0.
    static bool checks();
};
