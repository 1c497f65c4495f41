// The program's entry: the real platform objects, ini::Main, and the message
// loop that keeps the preview and the dialog alive after Main returns.
//
// Every object lives until the process ends, and every way out goes through
// EndProcess or Fail: nothing is destroyed while a window, a message box or a
// thread of ours may still call into it. Nothing is made here before the run
// mode is known; each platform object makes its COM objects at first use.
#include "platform/win32/win.h"

#include "form1.h"
#include "platform/error.h"
#include "platform/win32/directinput_mouse.h"
#include "platform/win32/video/directshow_graph.h"
#include "platform/win32/event_pump.h"
#include "platform/win32/form_window.h"
#include "platform/win32/music/media_player.h"
#include "platform/win32/video/mf_session.h"
#include "platform/win32/monitors.h"
#include "platform/win32/desktop.h"
#include "platform/win32/exit.h"
#include "platform/win32/failure.h"
#include "platform/win32/power.h"
#include "platform/win32/process.h"
#include "platform/win32/policies.h"
#include "platform/win32/profile.h"
#include "platform/win32/threads.h"
#include "startup/main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    win32::Process process;
    win32::Profile profile;
    win32::FormWindow window;
    win32::WindowApi windows;
    win32::Cursor cursor;
    win32::Shell shell;
    win32::DirectShowGraphs graphs;
    win32::MediaSessions sessions;
    win32::DirectInputMouse directx;
    win32::Background background;
    win32::Monitors monitors(window);
    win32::Power power;
    win32::Policies policies;
    const std::unique_ptr<platform::MediaPlayer> player = win32::CreateMediaPlayer(background);
    platform::Platform platform{process, profile, window,  windows,    cursor,   shell, graphs,
                                sessions, *player, directx, background, monitors, power, policies};
    Form1 form(platform);
    try {
        ini::Main(platform, form);
        win32::EndProcess(static_cast<UINT>(win32::ThePump().RunUntilQuit()));
    } catch (...) {
        win32::Fail(win32::ErrorOf(std::current_exception()));
    }
}
