#pragma once
// The window thread's one waiting place: window messages and the kernel
// events of device notifications, each event handed to its callback on this
// thread, so no handler ever runs concurrently with the show loop.
#include "platform/win32/win.h"

#include <functional>
#include <vector>

namespace win32 {

class EventPump {
public:
    // The callback runs on the window's thread each time the event is signalled.
    void Watch(HANDLE event, std::function<void()> callback);
    // Runs every waiting message and every signalled event's callback.
    void DoEvents();
    // Sleeps until a message or an event arrives (also among them, when given),
    // or the time is up; runs nothing. True when also is set afterwards.
    bool Wait(DWORD milliseconds, HANDLE also = nullptr);
    // Runs messages and events until the thread's message queue gets WM_QUIT.
    int RunUntilQuit();
    // Keyboard navigation (Tab, Space) for the window once it is a dialog.
    void SetDialog(HWND dialog);

private:
    bool Dispatch(MSG& msg);
    void RunSignalled();

    struct Watched {
        HANDLE event;
        std::function<void()> callback;
    };
    std::vector<Watched> watched_;
    std::vector<HANDLE> handles_;
    HWND dialog_ = nullptr;
    bool idle_ = false;  // the last wait ran out with nothing arrived
};

EventPump& ThePump();

}  // namespace win32
