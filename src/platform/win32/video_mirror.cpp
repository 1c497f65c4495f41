#include "platform/win32/video_mirror.h"

#include <qedit.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "platform/win32/com_ptr.h"
#include "platform/win32/hresult.h"
#include "platform/win32/threads.h"


namespace win32 {
namespace {

const CLSID kSampleGrabber = {0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// Longest wait for a picture's moment: a frame of even a slow video; more
// means the times are not what we took them for, and the picture goes at once.
constexpr LONGLONG kLongestWait = 250 * 10000;  // 100 ns units

LONGLONG Now100ns() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<LONGLONG>(static_cast<double>(counter.QuadPart) * 1e7 / static_cast<double>(frequency));
}

class Mirror final : public ISampleGrabberCB {
public:
    Mirror(std::vector<HWND> windows, const BITMAPINFOHEADER& format) : windows_(std::move(windows)) {
        info_.bmiHeader = format;
        info_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info_.bmiHeader.biCompression = BI_RGB;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
            *object = static_cast<ISampleGrabberCB*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // On the graph's streaming thread, before the renderer gets the sample.
    STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
        BYTE* data = nullptr;
        if (!sample || FAILED(sample->GetPointer(&data)) || !data) return S_OK;
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop))) WaitForItsMoment(start);
        const long size = sample->GetActualDataLength();
        {
            Lock held(lock_);
            picture_.assign(data, data + std::max(size, 0L));
        }
        for (HWND window : windows_) {
            if (HDC dc = GetDC(window)) {
                Paint(window, dc);
                ReleaseDC(window, dc);
            }
        }
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }

    bool Paint(HWND window, HDC dc) {
        Lock held(lock_);
        const auto needed = static_cast<std::size_t>(info_.bmiHeader.biWidth) *
                            static_cast<std::size_t>(std::abs(info_.bmiHeader.biHeight)) * 4;
        if (picture_.size() < needed) return false;
        RECT client{};
        GetClientRect(window, &client);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, info_.bmiHeader.biWidth,
                      std::abs(info_.bmiHeader.biHeight), picture_.data(), &info_, DIB_RGB_COLORS, SRCCOPY);
        return true;
    }

    void Forget() {
        {
            Lock held(lock_);
            picture_.clear();
        }
        for (HWND window : windows_) InvalidateRect(window, nullptr, TRUE);
    }

    bool Covers(HWND window) const { return std::find(windows_.begin(), windows_.end(), window) != windows_.end(); }

private:
    // The renderer holds each sample until the graph's stream time reaches its
    // start, then takes the next one from the same thread: so this callback
    // comes right after the previous picture was shown. From that, the stream's
    // starting moment is known (the earliest such estimate is the truest), and
    // each picture is drawn when the renderer will show it.
    void WaitForItsMoment(REFERENCE_TIME start) {
        const LONGLONG now = Now100ns();
        if (havePrevious_ && start > previousStart_) {
            const LONGLONG estimate = now - previousStart_;
            if (!haveStreamStart_ || estimate < streamStart_) streamStart_ = estimate;
            haveStreamStart_ = true;
        } else if (havePrevious_) {
            haveStreamStart_ = false;  // a rewind or a new run: the stream starts anew
        }
        havePrevious_ = true;
        previousStart_ = start;
        if (!haveStreamStart_) return;
        const LONGLONG wait = streamStart_ + start - now;
        if (wait > 0 && wait < kLongestWait) Sleep(static_cast<DWORD>(wait / 10000));
    }

    std::atomic<ULONG> references_{1};
    const std::vector<HWND> windows_;
    BITMAPINFO info_{};
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<BYTE> picture_;  // the last picture, for repainting
    // Streaming thread only.
    bool havePrevious_ = false;
    REFERENCE_TIME previousStart_ = 0;
    bool haveStreamStart_ = false;
    LONGLONG streamStart_ = 0;
};

// The mirror whose pictures the windows repaint from.
struct Current {
    SRWLOCK lock = SRWLOCK_INIT;
    Mirror* mirror = nullptr;  // holds a reference
};

Current& TheCurrent() {
    static Current current;
    return current;
}

// Frees what a media type handed to us holds, not the type itself.
void FreeMediaType(AM_MEDIA_TYPE& type) {
    if (type.pbFormat) CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
}

ComPtr<IPin> FindPin(IBaseFilter& filter, PIN_DIRECTION wanted) {
    ComPtr<IEnumPins> pins;
    ThrowIfFailed(filter.EnumPins(pins.put()));
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) return pin;
    }
    ThrowIfFailed(VFW_E_NOT_FOUND);
    return {};
}

// The video renderer's input pin: connected, carrying pictures, on a filter
// with no output.
ComPtr<IPin> RendererInput(IFilterGraph& graph) {
    ComPtr<IEnumFilters> filters;
    ThrowIfFailed(graph.EnumFilters(filters.put()));
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK) {
        ComPtr<IEnumPins> pins;
        if (FAILED(filter->EnumPins(pins.put()))) continue;
        ComPtr<IPin> pin, input;
        bool hasOutput = false;
        while (pins->Next(1, pin.put(), nullptr) == S_OK) {
            PIN_DIRECTION direction;
            if (FAILED(pin->QueryDirection(&direction))) continue;
            if (direction == PINDIR_OUTPUT) {
                hasOutput = true;
                continue;
            }
            AM_MEDIA_TYPE type{};
            if (SUCCEEDED(pin->ConnectionMediaType(&type))) {
                const bool video = type.majortype == MEDIATYPE_Video;
                FreeMediaType(type);
                if (video) input = std::move(pin);
            }
        }
        if (input && !hasOutput) return input;
    }
    ThrowIfFailed(VFW_E_NOT_FOUND);
    return {};
}

}  // namespace

void MirrorVideo(IMediaControl& control, const std::vector<HWND>& windows) {
    ComPtr<IGraphBuilder> graph;
    ThrowIfFailed(control.QueryInterface(__uuidof(IGraphBuilder), graph.put_void()));
    ComPtr<IPin> rendererIn = RendererInput(*graph.get());
    ComPtr<IPin> upstream;
    ThrowIfFailed(rendererIn->ConnectedTo(upstream.put()));

    ComPtr<IBaseFilter> grabberFilter;
    ThrowIfFailed(CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IBaseFilter),
                                   grabberFilter.put_void()));
    ComPtr<ISampleGrabber> grabber = grabberFilter.query<ISampleGrabber>();
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB32;
    wanted.formattype = FORMAT_VideoInfo;
    ThrowIfFailed(grabber->SetMediaType(&wanted));
    ThrowIfFailed(grabber->SetBufferSamples(FALSE));
    ThrowIfFailed(grabber->SetOneShot(FALSE));
    ThrowIfFailed(graph->AddFilter(grabberFilter.get(), L"Mirror"));

    // A renderer connected anew takes the picture's own size again: its window
    // keeps the place it was given.
    ComPtr<IVideoWindow> videoWindow = graph.query<IVideoWindow>();
    long left = 0, top = 0, width = 0, height = 0;
    const bool placed = SUCCEEDED(videoWindow->GetWindowPosition(&left, &top, &width, &height));
    struct Replace {
        IVideoWindow& window;
        bool placed;
        long left, top, width, height;
        ~Replace() {
            if (placed) window.SetWindowPosition(left, top, width, height);
        }
    } replace{*videoWindow.get(), placed, left, top, width, height};

    // Rewired as decoder -> (converter) -> grabber -> renderer; put back as it
    // was if any of it fails.
    ThrowIfFailed(graph->Disconnect(upstream.get()));
    ThrowIfFailed(graph->Disconnect(rendererIn.get()));
    const HRESULT in = graph->Connect(upstream.get(), FindPin(*grabberFilter.get(), PINDIR_INPUT).get());
    const HRESULT out = SUCCEEDED(in) ? graph->Connect(FindPin(*grabberFilter.get(), PINDIR_OUTPUT).get(),
                                                       rendererIn.get())
                                      : in;
    AM_MEDIA_TYPE connected{};
    const HRESULT typed = SUCCEEDED(out) ? grabber->GetConnectedMediaType(&connected) : out;
    const bool usable = SUCCEEDED(typed) && connected.formattype == FORMAT_VideoInfo && connected.pbFormat &&
                        connected.cbFormat >= sizeof(VIDEOINFOHEADER) &&
                        reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->bmiHeader.biBitCount == 32;
    BITMAPINFOHEADER format{};
    if (usable) format = reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->bmiHeader;
    FreeMediaType(connected);
    if (!usable) {
        graph->RemoveFilter(grabberFilter.get());
        graph->Connect(upstream.get(), rendererIn.get());
        ThrowIfFailed(FAILED(typed) ? typed : VFW_E_TYPE_NOT_ACCEPTED);
    }

    auto* mirror = new Mirror(windows, format);  // our reference, handed to TheCurrent below
    if (const HRESULT hr = grabber->SetCallback(mirror, 0); FAILED(hr)) {
        mirror->Release();
        ThrowIfFailed(hr);
    }
    Lock held(TheCurrent().lock);
    if (Mirror* old = std::exchange(TheCurrent().mirror, mirror)) old->Release();
}

bool PaintMirroredPicture(HWND window, HDC dc) {
    Mirror* mirror = nullptr;
    {
        Lock held(TheCurrent().lock);
        mirror = TheCurrent().mirror;
        if (mirror) mirror->AddRef();
    }
    if (!mirror) return false;
    const bool painted = mirror->Covers(window) && mirror->Paint(window, dc);
    mirror->Release();
    return painted;
}

void ForgetMirroredPicture() {
    Mirror* mirror = nullptr;
    {
        Lock held(TheCurrent().lock);
        mirror = TheCurrent().mirror;
        if (mirror) mirror->AddRef();
    }
    if (!mirror) return;
    mirror->Forget();
    mirror->Release();
}

}  // namespace win32
