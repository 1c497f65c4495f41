#include "platform/win32/video/mf_events.h"

#include <mfapi.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

// A session asked to start again at its end sends that end about when the
// clip's stated length has played (under Wine up to 0.3 s later, once 0.58 s
// in 54 ends). One whose end is this much later has stalled at its end: it
// shows one frame and plays no sound, and would only be noticed once its
// clock had stood still for seconds.
constexpr double kEndOverdueMs = 600;

}  // namespace

HRESULT StartAt(IMFMediaSession& session, double seconds) {
    PROPVARIANT at;
    PropVariantInit(&at);
    at.vt = VT_I8;
    at.hVal.QuadPart = static_cast<LONGLONG>(seconds * 1e7);
    return session.Start(&GUID_NULL, &at);
}

Events::Events(ComPtr<IMFMediaSession> session) : session_(std::move(session)) {
    wake_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    overdue_ = CreateThreadpoolTimer(&Overdue, this, nullptr);
}

Events::~Events() {
    CloseHandle(wake_);
    CloseHandle(done_);
}

STDMETHODIMP Events::Invoke(IMFAsyncResult* result) {
    ComPtr<IMFMediaEvent> event;
    if (FAILED(session_->EndGetEvent(result, event.put()))) return Unhook();
    MediaEventType type = MEUnknown;
    event->GetType(&type);
    HRESULT status = S_OK;
    event->GetStatus(&status);
    if (type == MESessionClosed) return Unhook();
    if (FAILED(status) || type == MEError || type == MEAudioSessionDeviceRemoved || type == MESessionStopped) {
        NoteBroken();
    } else if (type == MESessionEnded) {
        RestartOrNoteEnd();
    } else if (type == MESessionStarted) {
        Lock held(lock_);
        starting_ = false;
    }
    if (FAILED(session_->BeginGetEvent(this, nullptr))) return Unhook();
    return S_OK;
}

void Events::Listen() {
    AddRef();  // the session's pending request holds us until the last Invoke
    if (FAILED(session_->BeginGetEvent(this, nullptr))) Unhook();
}

void Events::Starting() {
    Lock held(lock_);
    starting_ = true;
}

void Events::Closing() {
    Lock held(lock_);
    closing_ = true;
    restartAtEnd_ = false;
}

bool Events::RestartNowOrAtEnd(double remaining) {
    Lock held(lock_);
    starting_ = true;
    restartAtEnd_ = !ended_;
    if (restartAtEnd_ && overdue_ && !std::isnan(remaining)) {
        const double ms = std::max(remaining, 0.0) * 1000 + kEndOverdueMs;
        const LONGLONG due = -static_cast<LONGLONG>(ms) * 10000;  // relative, in 100 ns
        FILETIME at{static_cast<DWORD>(due), static_cast<DWORD>(due >> 32)};
        SetThreadpoolTimer(overdue_, &at, 0, 0);
    }
    return std::exchange(ended_, false);
}

void Events::ForgetEnd() {
    if (!overdue_) return;
    SetThreadpoolTimer(overdue_, nullptr, 0, 0);
    WaitForThreadpoolTimerCallbacks(overdue_, TRUE);
    CloseThreadpoolTimer(std::exchange(overdue_, nullptr));
}

bool Events::Ended() {
    Lock held(lock_);
    return ended_;
}

bool Events::StartingNow() {
    Lock held(lock_);
    return starting_;
}

bool Events::StoodStill() {
    Lock held(lock_);
    return stoodStill_;
}

bool Events::Broken() {
    Lock held(lock_);
    return broken_;
}

// The session plays no more: after a lost device its audio renderer is
// of no use, and a stop nobody asked for is never followed by a start.
// The window's wait wakes, to build it again at once.
void Events::NoteBroken() {
    Lock held(lock_);
    if (closing_) return;
    broken_ = true;
    SetEvent(wake_);
}

// At the session's end: starts it again if a restart waits for it. The
// start is asked for under the lock, so that it never follows Closing.
void Events::RestartOrNoteEnd() {
    Lock held(lock_);
    if (closing_) return;
    if (std::exchange(restartAtEnd_, false)) {
        StartAt(*session_.get(), 0);
        return;
    }
    ended_ = true;
    SetEvent(wake_);
}

// The end a restart waits for is overdue: the session stood still, as a
// clock that stands still shows, unless that end came or it is going.
void CALLBACK Events::Overdue(PTP_CALLBACK_INSTANCE, void* self, PTP_TIMER) {
    auto& events = *static_cast<Events*>(self);
    Lock held(events.lock_);
    if (!events.restartAtEnd_ || events.closing_) return;
    events.stoodStill_ = true;
    SetEvent(events.wake_);
}

HRESULT Events::Unhook() {
    SetEvent(done_);
    return Release(), S_OK;
}

}  // namespace win32
