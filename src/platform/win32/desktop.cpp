#include "platform/win32/desktop.h"

#include <shellapi.h>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

HWND ToHwnd(std::intptr_t handle) { return reinterpret_cast<HWND>(handle); }

}  // namespace

int Cursor::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

void Shell::Open(std::intptr_t window, const std::wstring& address) {
    UseCom(Apartment::Single);  // the shell may hand the address to a COM server
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
