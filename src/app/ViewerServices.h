// What the viewer frame needs from its surroundings: dialogs, clipboard, settings, temporary
// folder and version. main.cpp builds the real ones; tests pass scripted ones.
#pragma once

#include <QString>

class iClipboard;
class iDialogs;
class iSettings;

// The dialogs, the clipboard and the settings outlive every frame they are given to.
struct TViewerServices {
    iDialogs& dialogs;
    iClipboard& clipboard;
    iSettings& settings;
    // Folder of the annotation pages: TEMP when set, else the system's temporary folder.
    QString tempPath;
    // major.minor.patch.tweak
    QString version;
};
