#include "platform/win32/exit.h"

#include <atomic>

namespace win32 {
namespace {

std::atomic<bool> windowsMade{false};

}  // namespace

void NoteWindowsMade() { windowsMade.store(true); }

void HideOurWindows() {
    EnumWindows(
        [](HWND window, LPARAM) {
            DWORD pid = 0;
            const DWORD thread = GetWindowThreadProcessId(window, &pid);
            if (pid != GetCurrentProcessId()) return TRUE;
            if (thread == GetCurrentThreadId())
                ShowWindow(window, SW_HIDE);
            else
                ShowWindowAsync(window, SW_HIDE);
            return TRUE;
        },
        0);
}

void EndProcess(UINT exitCode) {
    // The screen comes back at once. A run that made no window has none to
    // hide, and looking for them would cost it the display's set-up.
    if (windowsMade.load()) HideOurWindows();
    // Not ExitProcess: no library's detach code runs, so running graphs and
    // threads still blocked in a graph's build need not be stopped or waited
    // for; they simply go with the process. Stopping them first cost the
    // way out as much again.
    TerminateProcess(GetCurrentProcess(), exitCode);
    ExitProcess(exitCode);
}

}  // namespace win32
