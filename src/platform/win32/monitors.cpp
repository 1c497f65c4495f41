#include "platform/win32/monitors.h"

#include "platform/win32/failure.h"
#include "platform/win32/video/evr_picture.h"
#include "platform/win32/video/mirror_painter.h"

namespace win32 {
namespace {

constexpr wchar_t kCoverClass[] = L"TrevlinCover";

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<platform::Monitor>*>(list)->push_back(
            {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

LRESULT Handle(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, platform::FormEvents& events) {
    switch (msg) {
    case WM_CHAR: events.OnKeyPress(); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: events.OnMouseDown(); return 0;
    case WM_MOUSEMOVE: events.OnMouseMove(); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_CLOSE:
    case WM_ENDSESSION:
        // The saver's, not this window's: the form runs the one unload path.
        if (HWND form = GetWindow(window, GW_OWNER)) SendMessageW(form, msg, wParam, lParam);
        return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers everything
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (!PaintMirroredPicture(window, dc)) {
            RECT r{};
            GetClientRect(window, &r);
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        EndPaint(window, &ps);
        return 0;
    }
    default: return DefWindowProcW(window, msg, wParam, lParam);
    }
}

LRESULT CALLBACK CoverProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* events = reinterpret_cast<platform::FormEvents*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DetachMirror(window);
    }
    if (!events) return DefWindowProcW(window, msg, wParam, lParam);
    return Dispatch([&] { return Handle(window, msg, wParam, lParam, *events); });
}

void RegisterCoverClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &CoverProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kCoverClass;
        return RegisterClassExW(&wc) != 0;
    }();
    static_cast<void>(registered);
}

}  // namespace

std::vector<platform::Monitor> Monitors::List() {
    std::vector<platform::Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

std::intptr_t Monitors::Cover(const platform::Rect& bounds, platform::FormEvents& events) {
    RegisterCoverClass();
    // Owned by the form: it stays above it and goes when the form goes; no
    // taskbar button of its own.
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kCoverClass, L"", WS_POPUP, bounds.left, bounds.top,
                                  bounds.right - bounds.left, bounds.bottom - bounds.top,
                                  reinterpret_cast<HWND>(form_.Handle()), nullptr, GetModuleHandleW(nullptr),
                                  &events);
    ShowWindow(window, SW_SHOWNA);
    UpdateWindow(window);
    return reinterpret_cast<std::intptr_t>(window);
}

void Monitors::Move(std::intptr_t window, const platform::Rect& bounds) {
    SetWindowPos(reinterpret_cast<HWND>(window), HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_NOACTIVATE);
}

void Monitors::Uncover(std::intptr_t window) { DestroyWindow(reinterpret_cast<HWND>(window)); }

// The window's painter or renderer goes from it, and only its background,
// black, is drawn again.
void Monitors::Blank(std::intptr_t window) {
    const HWND hwnd = reinterpret_cast<HWND>(window);
    DetachMirror(hwnd);
    DetachEvr(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace win32
