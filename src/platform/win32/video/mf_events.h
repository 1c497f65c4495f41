#pragma once
// A Media Foundation session's notifications, taken on Media Foundation's
// threads: the end is noted and wakes the window's wait; a start moves the
// clock back to use; an end overdue by a thread-pool timer is a session that
// stood still.
#include "platform/win32/win.h"

#include <mfidl.h>

#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"

namespace win32 {

// Starts session at seconds from its beginning.
HRESULT StartAt(IMFMediaSession& session, double seconds);

class Events final : public ComObject<IMFAsyncCallback> {
public:
    explicit Events(ComPtr<IMFMediaSession> session);
    ~Events();

    STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IMFAsyncResult* result) override;

    void Listen();
    HANDLE Wake() const { return wake_; }
    // Set once the session has closed, or sends nothing more.
    HANDLE Done() const { return done_; }

    void Starting();
    // From here on the session's end starts nothing.
    void Closing();
    // True when the session has ended and is to be started now; otherwise it
    // starts the moment it ends, due within remaining seconds (none where NaN).
    bool RestartNowOrAtEnd(double remaining);
    // Before the session goes: no overdue end is noted from here on.
    void ForgetEnd();
    // An end noted after a start was asked for is that start's: a session
    // whose notice of starting never came still loops.
    bool Ended();
    bool StartingNow();
    bool StoodStill();
    bool Broken();

private:
    void NoteBroken();
    void RestartOrNoteEnd();
    static void CALLBACK Overdue(PTP_CALLBACK_INSTANCE, void* self, PTP_TIMER);
    HRESULT Unhook();

    ComPtr<IMFMediaSession> session_;
    HANDLE wake_ = nullptr;
    HANDLE done_ = nullptr;
    PTP_TIMER overdue_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    bool ended_ = false;
    bool starting_ = false;  // asked to start, not yet started
    bool restartAtEnd_ = false;
    bool closing_ = false;
    bool broken_ = false;
    bool stoodStill_ = false;  // its end overdue
};

}  // namespace win32
