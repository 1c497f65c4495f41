// Window-level input: a key, a click or the sixth mouse move ends the saver.
#include "form1.h"
#include "startup/run_mode.h"

void Form1::Form_KeyPress() {
    if (!InSaverMode()) return;
    p_.process.End();
}

void Form1::Form_MouseDown() {
    if (!InSaverMode()) return;
    p_.process.End();
}

void Form1::Form_MouseMove() {
    if (!InSaverMode()) return;
    // A window that appears under a resting pointer gets a few moves of its
    // own; only the sixth counts as the user's.
    ++MoveCount;
    if (MoveCount > 5) p_.process.End();
}

void Form1::Form_Unload() {
    p_.cursor.ShowCursor(true);
    // A graph still being built is not ours to touch: the end of the process
    // takes it. A built one goes to the stop's thread, as at the display's
    // moment: its Stop may never return, and the close must not wait on it.
    if (VideoBuilt()) HandOverVideo();
    // The window is going: the show loop must not run another pass on it.
    Running = false;
}
