// The start-up baseline for the configuration dialog: the least a Win32
// program does to show a window. Registers a class, shows one small window
// titled "Minimal", and ends when it is closed or after the seconds its
// command line names (10 by default).
#include <windows.h>

#include <cstdlib>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    const UINT seconds = arguments && *arguments ? static_cast<UINT>(_wtoi(arguments)) : 10;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 343,
                                210, nullptr, nullptr, wc.hInstance, nullptr);
    SetTimer(hwnd, 1, seconds * 1000, [](HWND window, UINT, UINT_PTR, DWORD) { DestroyWindow(window); });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
