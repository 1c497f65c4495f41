#include "platform/win32/event_pump.h"

#include <utility>

namespace win32 {

EventPump& ThePump() {
    static EventPump pump;
    return pump;
}

void EventPump::Watch(HANDLE event, std::function<void()> callback) {
    watched_.push_back({event, std::move(callback)});
    handles_.push_back(event);
}

void EventPump::SetDialog(HWND dialog) { dialog_ = dialog; }

bool EventPump::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        // Leave it for the message loop that owns the thread.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    if (dialog_ && IsWindow(dialog_) && IsDialogMessageW(dialog_, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void EventPump::RunSignalled() {
    for (std::size_t i = 0; i < watched_.size(); ++i) {
        if (WaitForSingleObject(watched_[i].event, 0) == WAIT_OBJECT_0) {
            ResetEvent(watched_[i].event);
            watched_[i].callback();
        }
    }
}

void EventPump::DoEvents() {
    // A wait that ran out found no message and no event: nothing has come
    // since, or the next wait returns at once for it. Asking again would only
    // cost the show loop its idle time.
    if (std::exchange(idle_, false)) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!Dispatch(msg)) break;
    RunSignalled();
}

bool EventPump::Wait(DWORD milliseconds, HANDLE also) {
    if (also) handles_.push_back(also);
    const DWORD count = static_cast<DWORD>(handles_.size());
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handles_.data(), milliseconds, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
    idle_ = woken == WAIT_TIMEOUT;
    if (!also) return false;
    handles_.pop_back();
    // Whatever woke the wait, also may be set too: one reported first hides it.
    return woken == WAIT_OBJECT_0 + count - 1 || (!idle_ && WaitForSingleObject(also, 0) == WAIT_OBJECT_0);
}

int EventPump::RunUntilQuit() {
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            Dispatch(msg);
        }
        RunSignalled();
        Wait(INFINITE);
    }
}

}  // namespace win32
