// The program's entry: the real platform objects, ini::Main, and the message
// loop that keeps the preview and the dialog alive after Main returns.
#include "platform/win32/win.h"
#include <objbase.h>

#include "form1.h"
#include "platform/error.h"
#include "platform/win32/directinput_mouse.h"
#include "platform/win32/directshow_graph.h"
#include "platform/win32/event_pump.h"
#include "platform/win32/form_window.h"
#include "platform/win32/media_player.h"
#include "platform/win32/system.h"
#include "startup/main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    win32::Process process;
    try {
        win32::Profile profile;
        win32::FormWindow window;
        win32::WindowApi windows;
        win32::Cursor cursor;
        win32::Shell shell;
        win32::DirectShowGraphs graphs;
        win32::DirectInputMouse directx;
        std::unique_ptr<platform::MediaPlayer> player = win32::CreateMediaPlayer();
        platform::Platform platform{process, profile, window, windows, cursor, shell, graphs, *player, directx};
        Form1 form(platform);
        ini::Main(platform, form);
        return win32::ThePump().RunUntilQuit();
    } catch (const platform::Error& e) {
        process.ShowError(e.number, e.description);
        // Ended by a failure: at once, like every way out, but not with success.
        win32::EndProcess(1);
    }
}
