#pragma once

#include <QString>

// The script that removes the product folder after the uninstaller has ended: files in use
// while it runs (the uninstaller itself among them) cannot go before.
class CleanupScript
{
public:
    // The product folder of an installation folder laid out by the installer or the updater:
    // its parent, whose name is the product key. Empty for anything else (a drive root, a home
    // folder, a system folder, a relative path): such a folder is not the suite's to delete.
    static QString productFolderOf(const QString &installDir, const QString &productKey);

    // Writes the script for folder to its place (see Platform::cleanupScriptPath) and starts it
    // detached. False when the script could not be written; nothing is started then.
    static bool writeAndStart(const QString &folder);
};
