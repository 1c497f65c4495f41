// The baseline for the Media Foundation path's figures: the plainest
// full-screen Media Session player of the same file, the enhanced video
// renderer in a window over the screen, the streaming audio renderer for the
// sound, looped from the start at each end, and a message loop that sleeps
// until something happens. Ends on a key or after argv[2] s.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <evr.h>

#include <cstdlib>

namespace {

const GUID kEnumerateSourceTypes = {0x6248c36d, 0x5d0b, 0x4f40, {0xa0, 0xbb, 0xb0, 0xb3, 0x05, 0xf7, 0x76, 0x98}};

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR || msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool Build(const wchar_t* file, HWND hwnd, IMFMediaSession** session) {
    IMFSourceResolver* resolver = nullptr;
    IUnknown* object = nullptr;
    IMFMediaSource* source = nullptr;
    IMFPresentationDescriptor* pd = nullptr;
    IMFTopology* topology = nullptr;
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    if (FAILED(MFCreateSourceResolver(&resolver)) ||
        FAILED(resolver->CreateObjectFromURL(file, MF_RESOLUTION_MEDIASOURCE, nullptr, &type, &object)) ||
        FAILED(object->QueryInterface(IID_PPV_ARGS(&source))) || FAILED(source->CreatePresentationDescriptor(&pd)) ||
        FAILED(MFCreateTopology(&topology)))
        return false;
    topology->SetUINT32(kEnumerateSourceTypes, TRUE);
    DWORD count = 0;
    pd->GetStreamDescriptorCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        BOOL selected = FALSE;
        IMFStreamDescriptor* sd = nullptr;
        IMFMediaTypeHandler* handler = nullptr;
        GUID major = GUID_NULL;
        pd->GetStreamDescriptorByIndex(i, &selected, &sd);
        sd->GetMediaTypeHandler(&handler);
        handler->GetMajorType(&major);
        IMFActivate* renderer = nullptr;
        if (major == MFMediaType_Video) MFCreateVideoRendererActivate(hwnd, &renderer);
        if (major == MFMediaType_Audio) MFCreateAudioRendererActivate(&renderer);
        if (!selected || !renderer) continue;
        IMFTopologyNode *from = nullptr, *to = nullptr;
        MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &from);
        from->SetUnknown(MF_TOPONODE_SOURCE, source);
        from->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, pd);
        from->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, sd);
        MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &to);
        to->SetObject(renderer);
        topology->AddNode(from);
        topology->AddNode(to);
        from->ConnectOutput(0, to, 0);
    }
    return SUCCEEDED(MFCreateMediaSession(nullptr, session)) && SUCCEEDED((*session)->SetTopology(0, topology));
}

// Hands each of the session's events to the window's thread as a message.
class Events final : public IMFAsyncCallback {
public:
    Events(IMFMediaSession* session, DWORD thread) : session_(session), thread_(thread) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        *object = (iid == IID_IUnknown || iid == __uuidof(IMFAsyncCallback)) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives as long as the process
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IMFAsyncResult* result) override {
        IMFMediaEvent* event = nullptr;
        if (FAILED(session_->EndGetEvent(result, &event))) return S_OK;
        MediaEventType type = MEUnknown;
        event->GetType(&type);
        event->Release();
        PostThreadMessageW(thread_, WM_APP, type, 0);
        session_->BeginGetEvent(this, nullptr);
        return S_OK;
    }

private:
    IMFMediaSession* session_;
    DWORD thread_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 10;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    MFStartup(MF_VERSION, MFSTARTUP_FULL);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"PlainMfPlayer";
    RegisterClassW(&wc);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"plain", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr,
                                wc.hInstance, nullptr);
    IMFMediaSession* session = nullptr;
    if (!Build(argv[1], hwnd, &session)) return 4;

    Events events(session, GetCurrentThreadId());
    session->BeginGetEvent(&events, nullptr);
    PROPVARIANT start;
    PropVariantInit(&start);
    bool placed = false;
    const ULONGLONG stop = GetTickCount64() + seconds * 1000ULL;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= stop) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(stop - now), QS_ALLINPUT);
        MSG msg;
        bool quit = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            if (msg.message == WM_APP && msg.wParam == MESessionTopologyStatus && !placed) {
                IMFVideoDisplayControl* display = nullptr;
                if (SUCCEEDED(MFGetService(session, MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(&display)))) {
                    RECT client{0, 0, w, h};
                    display->SetAspectRatioMode(MFVideoARMode_None);
                    display->SetVideoPosition(nullptr, &client);
                    placed = true;
                    start.vt = VT_EMPTY;
                    session->Start(&GUID_NULL, &start);
                }
            } else if (msg.message == WM_APP && msg.wParam == MESessionEnded) {
                start.vt = VT_I8;
                start.hVal.QuadPart = 0;
                session->Start(&GUID_NULL, &start);
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (quit) break;
    }
    // ExitProcess after playback crashes under Wine.
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}
