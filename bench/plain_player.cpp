// The baseline for the saver's CPU figure: the plainest full-screen DirectShow
// player of the same file, a window with the video inside it and a message
// loop that sleeps until something happens. Ends on a key or after argv[2] s.
#include <windows.h>
#include <dshow.h>

#include <cstdlib>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR || msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 10;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"PlainPlayer";
    RegisterClassW(&wc);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"plain", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w,
                                h, nullptr, nullptr, wc.hInstance, nullptr);

    IGraphBuilder* graph = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph))))
        return 3;
    if (FAILED(graph->RenderFile(argv[1], nullptr))) return 4;
    IVideoWindow* video = nullptr;
    IMediaControl* control = nullptr;
    IMediaEventEx* events = nullptr;
    graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&video));
    graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events));
    video->put_Owner(reinterpret_cast<OAHWND>(hwnd));
    video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    video->SetWindowPosition(0, 0, w, h);
    video->put_MessageDrain(reinterpret_cast<OAHWND>(hwnd));
    control->Run();

    // Loop the file on its end notification; otherwise sleep on messages.
    HANDLE ended = nullptr;
    events->GetEventHandle(reinterpret_cast<OAEVENT*>(&ended));
    const ULONGLONG stop = GetTickCount64() + seconds * 1000ULL;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= stop) break;
        const DWORD r = MsgWaitForMultipleObjects(1, &ended, FALSE, static_cast<DWORD>(stop - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            long code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
                events->FreeEventParams(code, p1, p2);
                if (code == EC_COMPLETE) {
                    IMediaPosition* position = nullptr;
                    graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position));
                    position->put_CurrentPosition(0);
                    position->Release();
                    control->Run();
                }
            }
        }
        MSG msg;
        bool quit = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (quit) break;
    }
    control->Stop();
    video->put_Owner(0);
    return 0;
}
