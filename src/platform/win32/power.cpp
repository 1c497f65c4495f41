#include "platform/win32/power.h"

#include <string>

namespace win32 {
namespace {

// The GUIDs by value: the SDK's own need INITGUID in exactly one file.
constexpr GUID kVideoSubgroup{0x7516B95F, 0xF776, 0x4464, {0x8C, 0x53, 0x06, 0x16, 0x7F, 0x40, 0xCC, 0x99}};
constexpr GUID kVideoPowerdownTimeout{0x3C0BC021, 0xC8A8, 0x4E07, {0xA9, 0x73, 0x6B, 0x14, 0xCB, 0xCB, 0x2B, 0x7E}};
constexpr GUID kConsoleDisplayState{0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
constexpr GUID kMonitorPowerOn{0x02731015, 0x4510, 0x4526, {0x99, 0xE6, 0xE5, 0xA1, 0x7E, 0xBD, 0x1A, 0xEA}};

using GetActiveScheme = DWORD(WINAPI*)(HKEY, GUID**);
using ReadValueIndex = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);
using CallNtPowerInformationFn = LONG(WINAPI*)(int, void*, ULONG, void*, ULONG);
constexpr int kSystemExecutionState = 16;  // POWER_INFORMATION_LEVEL
constexpr WPARAM kMonitorOff = 2;          // SC_MONITORPOWER's "off"

platform::PowerNews news;  // the window's thread only
bool locked = false;       // the same

using RegisterSessionNotification = BOOL(WINAPI*)(HWND, DWORD);
constexpr DWORD kThisSession = 0;  // NOTIFY_FOR_THIS_SESSION
constexpr WPARAM kSessionLock = 0x7;
constexpr WPARAM kSessionUnlock = 0x8;

platform::DisplayState StateOf(DWORD value) {
    switch (value) {
    case 0: return platform::DisplayState::Off;
    case 1: return platform::DisplayState::On;
    case 2: return platform::DisplayState::Dimmed;
    default: return platform::DisplayState::Unreported;
    }
}

}  // namespace

HMODULE Power::Library() {
    if (!loadTried_) {
        loadTried_ = true;
        wchar_t folder[MAX_PATH];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH) library_ = LoadLibraryW((std::wstring(folder) + L"\\powrprof.dll").c_str());
    }
    return library_;
}

bool Power::OnBattery() {
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

platform::DisplayTimeout Power::ReadDisplayTimeout(bool battery) {
    HMODULE library = Library();
    if (!library) return {platform::PlanRead::NoLibrary, 0};
    const auto getActive = ProcAddress<GetActiveScheme>(library, "PowerGetActiveScheme");
    const auto read = ProcAddress<ReadValueIndex>(library, battery ? "PowerReadDCValueIndex" : "PowerReadACValueIndex");
    if (!getActive || !read) return {platform::PlanRead::NoFunction, 0};
    GUID* scheme = nullptr;
    if (getActive(nullptr, &scheme) != ERROR_SUCCESS || !scheme) return {platform::PlanRead::Failed, 0};
    DWORD seconds = 0;
    const DWORD result = read(nullptr, scheme, &kVideoSubgroup, &kVideoPowerdownTimeout, &seconds);
    LocalFree(scheme);
    if (result != ERROR_SUCCESS) return {platform::PlanRead::Failed, 0};
    return {platform::PlanRead::Read, seconds};
}

std::uint32_t Power::TickCount() { return GetTickCount(); }

std::uint32_t Power::LastInputTick() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    return GetLastInputInfo(&info) ? info.dwTime : GetTickCount();
}

platform::DisplayRequests Power::DisplayRequested() {
    HMODULE library = Library();
    const auto call = library ? ProcAddress<CallNtPowerInformationFn>(library, "CallNtPowerInformation") : nullptr;
    ULONG state = 0;
    if (!call || call(kSystemExecutionState, nullptr, 0, &state, sizeof state) < 0)
        return platform::DisplayRequests::Unknown;
    return (state & ES_DISPLAY_REQUIRED) ? platform::DisplayRequests::Held : platform::DisplayRequests::None;
}

// Sent, never broadcast: one hung window would hold a broadcast up. The
// window's default handling passes it to the system.
void Power::TurnDisplayOff(std::intptr_t window) {
    SendMessageW(reinterpret_cast<HWND>(window), WM_SYSCOMMAND, SC_MONITORPOWER, kMonitorOff);
}

// Never unregistered: the process ends with the window. wtsapi32 is loaded
// here, the one run that needs it, rather than with every run.
void Power::WatchDisplay(std::intptr_t window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    if (!RegisterPowerSettingNotification(hwnd, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE))
        RegisterPowerSettingNotification(hwnd, &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE);
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    if (HMODULE wts = LoadLibraryW((std::wstring(folder) + L"\\wtsapi32.dll").c_str())) {
        if (const auto notify = ProcAddress<RegisterSessionNotification>(wts, "WTSRegisterSessionNotification"))
            notify(hwnd, kThisSession);
    }
}

bool Power::SessionLocked() { return locked; }

void NoteSessionChange(WPARAM event) {
    if (event == kSessionLock) locked = true;
    if (event == kSessionUnlock) locked = false;
}

platform::PowerNews Power::TakeNews() {
    const platform::PowerNews taken = news;
    news = {};
    return taken;
}

void NotePowerBroadcast(WPARAM event, LPARAM data) {
    if (event == PBT_APMPOWERSTATUSCHANGE) {
        news.sourceChanged = true;
    } else if (event == PBT_POWERSETTINGCHANGE && data) {
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
        if ((IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
             IsEqualGUID(setting->PowerSetting, kMonitorPowerOn)) &&
            setting->DataLength >= sizeof(DWORD)) {
            DWORD value = 0;
            CopyMemory(&value, setting->Data, sizeof value);
            news.display = StateOf(value);
        }
    }
}

}  // namespace win32
