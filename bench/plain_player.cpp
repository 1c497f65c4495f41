// The baseline for the saver's CPU and memory figures: the plainest full-screen
// DirectShow player of the same file, a window with the video inside it and a
// message loop that sleeps until something happens. Ends on a key or after
// argv[2] s. Given argv[3], it also loops that file in a second graph, as the
// saver does its music.
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

struct Graph {
    IGraphBuilder* builder = nullptr;
    IMediaControl* control = nullptr;
    IMediaEventEx* events = nullptr;
    HANDLE ended = nullptr;
};

bool Open(const wchar_t* file, Graph& graph) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph.builder))))
        return false;
    if (FAILED(graph.builder->RenderFile(file, nullptr))) return false;
    graph.builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&graph.control));
    graph.builder->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&graph.events));
    graph.events->GetEventHandle(reinterpret_cast<OAEVENT*>(&graph.ended));
    return true;
}

// Plays the file again from its start on its end notification.
void Loop(Graph& graph) {
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (graph.events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        graph.events->FreeEventParams(code, p1, p2);
        if (code == EC_COMPLETE) {
            IMediaPosition* position = nullptr;
            graph.builder->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position));
            position->put_CurrentPosition(0);
            position->Release();
            graph.control->Run();
        }
    }
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

    Graph graphs[2];
    if (!Open(argv[1], graphs[0])) return 4;
    const DWORD count = argc > 3 ? 2 : 1;
    if (count == 2 && !Open(argv[3], graphs[1])) return 5;
    IVideoWindow* video = nullptr;
    graphs[0].builder->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&video));
    video->put_Owner(reinterpret_cast<OAHWND>(hwnd));
    video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    video->SetWindowPosition(0, 0, w, h);
    video->put_MessageDrain(reinterpret_cast<OAHWND>(hwnd));
    for (DWORD i = 0; i < count; ++i) graphs[i].control->Run();

    const HANDLE ended[2] = {graphs[0].ended, graphs[1].ended};
    const ULONGLONG stop = GetTickCount64() + seconds * 1000ULL;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= stop) break;
        const DWORD r = MsgWaitForMultipleObjects(count, ended, FALSE, static_cast<DWORD>(stop - now), QS_ALLINPUT);
        if (r < WAIT_OBJECT_0 + count) Loop(graphs[r - WAIT_OBJECT_0]);
        MSG msg;
        bool quit = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (quit) break;
    }
    for (DWORD i = 0; i < count; ++i) graphs[i].control->Stop();
    video->put_Owner(0);
    return 0;
}
