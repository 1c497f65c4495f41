#include "platform/win32/system.h"

#include "platform/win32/win.h"
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <utility>

#include "platform/win32/hresult.h"
#include "platform/win32/program_file.h"
#include "platform/win32/threads.h"
#include "startup/program_path.h"

namespace win32 {
namespace {

HWND ToHwnd(std::intptr_t handle) { return reinterpret_cast<HWND>(handle); }

// Graphs register from the threads that build them; the end may come from
// the window's thread at any moment.
struct EndWorkList {
    SRWLOCK lock = SRWLOCK_INIT;
    std::map<int, std::function<void()>> work;
    int next = 0;
};

EndWorkList& EndWork() {
    static EndWorkList list;
    return list;
}

std::atomic<bool> windowsMade{false};

// Hides every window of the process: ours, and the video's own full-screen
// window, which belongs to a thread of DirectShow's.
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

// Stops every graph that asked to be stopped.
void RunEndWork() {
    std::map<int, std::function<void()>> work;
    {
        Lock held(EndWork().lock);
        work = std::exchange(EndWork().work, {});
    }
    for (const auto& [id, stop] : work) stop();
}

// Reading the file would change its time of last access, not these.
bool SameFile(const Profile::Read& a, const Profile::Read& b) {
    return a.fileExists == b.fileExists && a.file.nFileSizeLow == b.file.nFileSizeLow &&
           a.file.nFileSizeHigh == b.file.nFileSizeHigh &&
           CompareFileTime(&a.file.ftLastWriteTime, &b.file.ftLastWriteTime) == 0;
}

}  // namespace

int AtEnd(std::function<void()> work) {
    Lock held(EndWork().lock);
    const int id = ++EndWork().next;
    EndWork().work.emplace(id, std::move(work));
    return id;
}

void CancelAtEnd(int id) {
    Lock held(EndWork().lock);
    EndWork().work.erase(id);
}

void NoteWindowsMade() { windowsMade.store(true); }

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

UINT DisposeMessage() {
    static const UINT message = RegisterWindowMessageW(L"Trevlin.Dispose");
    return message;
}

void Fail(const platform::Error& error) {
    // The box waits for the user in a modal loop of its own, which must reach
    // no handler of the form: the form is gone first, and with it the saver's
    // black screen, its video and its hidden cursor.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) {
            SendMessageW(window, DisposeMessage(), 0, 0);
            return TRUE;
        },
        0);
    HideOurWindows();
    // Silence while the box waits.
    RunEndWork();
    while (::ShowCursor(TRUE) < 0) {
    }
    Process().ShowError(error.number, error.description);
    EndProcess(1);
}

std::wstring SaverName() {
    wchar_t name[128] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), 1, name, 128) > 0) return name;
    return L"Trevlin";
}

std::wstring Process::CommandLine() {
    return startup::ArgumentsAfterProgram(GetCommandLineW(), NamesThisProgram);
}

std::wstring Process::ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void Process::End() { EndProcess(0); }

void Process::ShowError(std::int32_t number, const std::wstring& description) {
    const std::wstring text = L"Run-time error '" + std::to_wstring(number) + L"':\n\n" + description;
    MessageBoxW(nullptr, text.c_str(), SaverName().c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

std::size_t Profile::GetString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                               wchar_t* buffer, std::size_t size, const std::wstring& file) {
    if (size == 0) return 0;
    Lock held(lock_);
    Read now;
    now.fileExists = GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &now.file) != FALSE;
    const std::wstring id = file + L'\n' + section + L'\n' + key + L'\n' + def + L'\n' + std::to_wstring(size);
    auto known = reads_.find(id);
    if (known == reads_.end() || !SameFile(known->second, now)) {
        std::wstring value(size, L'\0');
        const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), value.data(),
                                                 static_cast<DWORD>(size), file.c_str());
        now.value.assign(value.data(), std::min<std::size_t>(n, size - 1));
        known = reads_.insert_or_assign(id, std::move(now)).first;
    }
    const std::wstring& value = known->second.value;
    std::copy(value.begin(), value.end(), buffer);
    buffer[value.size()] = L'\0';
    return value.size();
}

bool Profile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                          const std::wstring& file) {
    Lock held(lock_);
    reads_.clear();
    if (WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
        lastFailure_.clear();
        return true;
    }
    lastFailure_ = DescribeHresult(HRESULT_FROM_WIN32(GetLastError()));
    return false;
}

int Cursor::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

void Shell::Open(std::intptr_t window, const std::wstring& address) {
    UseCom();  // the shell may hand the address to a COM server
    ShellExecuteW(ToHwnd(window), L"open", address.c_str(), nullptr, nullptr, 0);
}

bool WindowApi::IsWindow(std::intptr_t window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

void WindowApi::GetClientRect(std::intptr_t window, platform::Rect& rect) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    if (::GetClientRect(ToHwnd(window), &r)) rect = {r.left, r.top, r.right, r.bottom};
}

std::int32_t WindowApi::GetWindowLong(std::intptr_t window, int index) {
    return static_cast<std::int32_t>(GetWindowLongPtrW(ToHwnd(window), index));
}

std::int32_t WindowApi::SetWindowLong(std::intptr_t window, int index, std::int32_t value) {
    // Handles fit in 32 bits and are sign-extended, as on every 64-bit Windows.
    return static_cast<std::int32_t>(SetWindowLongPtrW(ToHwnd(window), index, static_cast<LONG_PTR>(value)));
}

void WindowApi::SetParent(std::intptr_t window, std::intptr_t parent) { ::SetParent(ToHwnd(window), ToHwnd(parent)); }

void WindowApi::SetWindowPos(std::intptr_t window, std::intptr_t insertAfter, int x, int y, int width, int height,
                             std::uint32_t flags) {
    ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, width, height, flags);
}

}  // namespace win32
