#pragma once
// The one way out of the process.
#include "platform/win32/win.h"

namespace win32 {

// Called before the process makes its first window: from then on the way out
// hides the process's windows first.
void NoteWindowsMade();
// Hides every window of the process: ours, and the video's own full-screen
// window, which belongs to a thread of DirectShow's.
void HideOurWindows();
// Every way out: the screen back, the process gone with whatever still runs.
[[noreturn]] void EndProcess(UINT exitCode);

}  // namespace win32
