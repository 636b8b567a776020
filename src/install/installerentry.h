#pragma once

#include <QString>

#include <memory>

class BaseWidget;
class Widget;

// The entry function of the install program.
class InstallerEntry
{
public:
    static int run(int &argc, char **argv);

    // The installer's own start-up after the shared one: the guard checks and their prompts,
    // the overwrite question, the stop of a running client. Returns the window to show, already
    // installing when an earlier installation is overwritten, or null when the installer ends
    // here (exit code 0).
    static std::unique_ptr<Widget> checks(BaseWidget &settings);

    // The root an earlier installation was made under: two folders above its versioned folder,
    // each step up taken only when that folder exists.
    static QString installRootOf(const QString &installDir);
};
