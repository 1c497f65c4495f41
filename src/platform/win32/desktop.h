#pragma once
// The cursor, the shell, and user32 calls on other windows' handles.
#include "platform/win32/win.h"

#include "platform/cursor.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace win32 {

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

}  // namespace win32
