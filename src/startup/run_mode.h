#pragma once
// The run mode, set once by ini::Main before the window is loaded. Saver mode
// is both false. Readers test PreviewMode first, then ConfigMode.
inline bool PreviewMode = false;
inline bool ConfigMode = false;

// Input ends the program only in saver mode.
inline bool InSaverMode() {
    if (PreviewMode) return false;
    if (ConfigMode) return false;
    return true;
}
