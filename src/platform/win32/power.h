#pragma once
// The power plan, the idle clock and the display's state on Windows.
#include "platform/win32/win.h"

#include "platform/power.h"

namespace win32 {

// powrprof.dll is loaded at the first reading, from System32 by its full path,
// never imported: Wine's lacks the plan's functions, and a missing import ends
// a program at its first call.
class Power final : public platform::Power {
public:
    bool OnBattery() override;
    platform::DisplayTimeout ReadDisplayTimeout(bool battery) override;
    std::uint32_t TickCount() override;
    std::uint32_t LastInputTick() override;
    platform::DisplayRequests DisplayRequested() override;
    void TurnDisplayOff(std::intptr_t window) override;
    void WatchDisplay(std::intptr_t window) override;
    platform::PowerNews TakeNews() override;
    bool SessionLocked() override;

private:
    HMODULE Library();
    HMODULE library_ = nullptr;
    bool loadTried_ = false;
};

// Called by the window that WatchDisplay named, on its thread, for each
// WM_POWERBROADCAST: kept for the next TakeNews.
void NotePowerBroadcast(WPARAM event, LPARAM data);
// The same, for each WM_WTSSESSION_CHANGE.
void NoteSessionChange(WPARAM event);

}  // namespace win32
