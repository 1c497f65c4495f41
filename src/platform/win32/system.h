#pragma once
// The plain Win32 calls behind the seam: process, settings file, cursor,
// shell and user32 calls on other windows' handles.
#include "platform/win32/win.h"

#include <functional>
#include <map>

#include "platform/cursor.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace win32 {

class Process final : public platform::Process {
public:
    std::wstring CommandLine() override;
    std::wstring ProgramFolder() override;
    [[noreturn]] void End() override;
    void ShowError(std::int32_t number, const std::wstring& description) override;
};

// The wide profile calls keep a file without a byte-order mark in the ANSI
// code page, so existing settings files read as before while folder names
// outside that code page still work.
//
// The show loop asks for the same value many times a second. Under Wine each
// profile call opens, checks and closes the file, which alone made most of the
// saver's idle cost; so a value is asked for again only when the file's size
// or time of writing has changed since it was last read (or it was written).
class Profile final : public platform::Profile {
public:
    std::size_t GetString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                          wchar_t* buffer, std::size_t size, const std::wstring& file) override;
    bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                     const std::wstring& file) override;
    std::wstring LastWriteFailure() override { return lastFailure_; }

    struct Read {
        WIN32_FILE_ATTRIBUTE_DATA file{};
        bool fileExists = false;
        std::wstring value;
    };

private:
    std::map<std::wstring, Read> reads_;  // by file, section, key, default and size
    std::wstring lastFailure_;
    SRWLOCK lock_ = SRWLOCK_INIT;  // the graph's build reads a setting on its own thread
};

class Cursor final : public platform::Cursor {
public:
    int ShowCursor(bool show) override;
};

class Shell final : public platform::Shell {
public:
    void Open(std::intptr_t window, const std::wstring& address) override;
};

class WindowApi final : public platform::WindowApi {
public:
    bool IsWindow(std::intptr_t window) override;
    void GetClientRect(std::intptr_t window, platform::Rect& rect) override;
    std::int32_t GetWindowLong(std::intptr_t window, int index) override;
    std::int32_t SetWindowLong(std::intptr_t window, int index, std::int32_t value) override;
    void SetParent(std::intptr_t window, std::intptr_t parent) override;
    void SetWindowPos(std::intptr_t window, std::intptr_t insertAfter, int x, int y, int width, int height,
                      std::uint32_t flags) override;
};

// Work done before a run-time error is shown: every graph asks here to be
// stopped, so that nothing plays on while the message box waits. (A graph
// still running at ExitProcess takes Wine's decoder threads down with a
// crash; EndProcess does not go that way.) Safe from any thread.
int AtEnd(std::function<void()> work);
void CancelAtEnd(int id);
// Every way out: the screen back, the process gone with whatever still runs.
[[noreturn]] void EndProcess(UINT exitCode);
// Called before the process makes its first window: from then on the way out
// hides the process's windows first.
void NoteWindowsMade();
// A run-time error nobody handled: the form and the saver's screen go, the
// graphs stop, the error is shown with its number and description, and the
// process ends with 1.
[[noreturn]] void Fail(const platform::Error& error);

// Runs a window's message handler. A C++ exception must not unwind through the
// system's message dispatch: a handler's failure ends the program here.
template <typename Handler>
LRESULT Dispatch(Handler handler) {
    try {
        return handler();
    } catch (const platform::Error& error) {
        Fail(error);
    }
}

// Sent to our windows on the way out through Fail: go at once, quietly,
// without a handler of the form and without ending the message loop.
UINT DisposeMessage();

// The saver's name from the string table (entry 1), for message box titles.
std::wstring SaverName();

}  // namespace win32
