#include "platform/win32/video/video_mirror.h"

#include <qedit.h>

#include <memory>
#include <optional>
#include <utility>

#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/failure.h"
#include "platform/win32/video/graph_rewire.h"
#include "platform/win32/hresult.h"
#include "platform/win32/video/mirror_painter.h"
#include "platform/win32/threads.h"

namespace win32 {
namespace {

const CLSID kSampleGrabber = {0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// The layout of 32-bit pictures of type, if that is what it describes.
std::optional<platform::FrameFormat> FormatOf(const AM_MEDIA_TYPE& type) {
    if (type.formattype != FORMAT_VideoInfo || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
        return std::nullopt;
    const auto& video = *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    if (video.bmiHeader.biBitCount != 32) return std::nullopt;
    const RECT& source = video.rcSource;
    return platform::FrameFormat{video.bmiHeader.biWidth, video.bmiHeader.biHeight,
                                 source.left, source.top, source.right, source.bottom};
}

// The grabber's callback: on the graph's streaming thread, before the
// renderer gets the sample, so it only copies.
class Grabbed final : public ComObject<ISampleGrabberCB> {
public:
    Grabbed(std::shared_ptr<MirrorPainter> painter, const platform::FrameFormat& format)
        : painter_(std::move(painter)), format_(format) {}
    ~Grabbed() { painter_->Close(); }


    STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
        GuardThread([&] { Copy(sample); });
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }

private:
    void Copy(IMediaSample* sample) {
        BYTE* data = nullptr;
        if (!sample || FAILED(sample->GetPointer(&data)) || !data) return;
        // The renderer may have asked for another layout (a wider pitch) since
        // the connection: the sample that first has it says so.
        AM_MEDIA_TYPE* changed = nullptr;
        if (sample->GetMediaType(&changed) == S_OK && changed) {
            if (std::optional<platform::FrameFormat> format = FormatOf(*changed)) format_ = *format;
            FreeMediaType(*changed);
            CoTaskMemFree(changed);
        }
        REFERENCE_TIME start = 0, stop = 0;
        const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
        const long size = sample->GetActualDataLength();
        painter_->Handed(format_, data, static_cast<std::size_t>(size > 0 ? size : 0),
                         timed ? std::optional<REFERENCE_TIME>(start) : std::nullopt);
    }

    const std::shared_ptr<MirrorPainter> painter_;
    platform::FrameFormat format_;  // streaming thread only
};

// The clock the renderer times its pictures by. Chosen now, as the graph
// would at its first run, so that the painter can be given it.
ComPtr<IReferenceClock> GraphClock(IGraphBuilder& graph) {
    ComPtr<IReferenceClock> clock;
    ComPtr<IMediaFilter> filter;
    if (FAILED(graph.QueryInterface(__uuidof(IMediaFilter), filter.put_void()))) return clock;
    if (FAILED(filter->GetSyncSource(clock.put())) || !clock) {
        if (SUCCEEDED(graph.SetDefaultSyncSource())) static_cast<void>(filter->GetSyncSource(clock.put()));
    }
    return clock;
}

// A renderer connected anew takes the picture's own size again: its window
// keeps the place it was given.
class KeepPlace {
public:
    explicit KeepPlace(IGraphBuilder& graph) {
        if (FAILED(graph.QueryInterface(__uuidof(IVideoWindow), window_.put_void()))) return;
        placed_ = SUCCEEDED(window_->GetWindowPosition(&left_, &top_, &width_, &height_));
    }
    ~KeepPlace() {
        if (placed_) window_->SetWindowPosition(left_, top_, width_, height_);
    }
    KeepPlace(const KeepPlace&) = delete;
    KeepPlace& operator=(const KeepPlace&) = delete;

private:
    ComPtr<IVideoWindow> window_;
    bool placed_ = false;
    long left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace

void MirrorVideo(IMediaControl& control, const std::vector<platform::VideoTarget>& windows) {
    ComPtr<IGraphBuilder> graph;
    ThrowIfFailed(control.QueryInterface(__uuidof(IGraphBuilder), graph.put_void()));
    RendererConnection connection(*graph.get());

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

    KeepPlace place(*graph.get());
    // Rewired as decoder -> (converter) -> grabber -> renderer; put back as it
    // was if any of it fails.
    const HRESULT inserted = connection.InsertBefore(*grabberFilter.get());
    AM_MEDIA_TYPE connected{};
    const HRESULT typed = SUCCEEDED(inserted) ? grabber->GetConnectedMediaType(&connected) : inserted;
    const std::optional<platform::FrameFormat> format =
        SUCCEEDED(typed) ? FormatOf(connected) : std::optional<platform::FrameFormat>();
    FreeMediaType(connected);
    if (!format) {
        connection.Restore();
        ThrowIfFailed(FAILED(typed) ? typed : VFW_E_TYPE_NOT_ACCEPTED);
    }

    auto painter = std::make_shared<MirrorPainter>(windows, GraphClock(*graph.get()));
    auto* grabbed = new Grabbed(painter, *format);  // our reference, dropped below
    const HRESULT set = grabber->SetCallback(grabbed, 0);
    grabbed->Release();
    if (FAILED(set)) {
        connection.Restore();
        ThrowIfFailed(set);
    }
    for (const platform::VideoTarget& window : windows) AttachMirror(reinterpret_cast<HWND>(window.window), painter);
    Background().Start([painter] { painter->Run(); });
}

void ShowPart(IMediaControl& control, const platform::Part& part) {
    ComPtr<IBasicVideo> video;
    ThrowIfFailed(control.QueryInterface(__uuidof(IBasicVideo), video.put_void()));
    long width = 0, height = 0;
    ThrowIfFailed(video->GetVideoSize(&width, &height));
    const auto left = static_cast<long>(part.left * width + 0.5), top = static_cast<long>(part.top * height + 0.5);
    ThrowIfFailed(video->SetSourcePosition(left, top, static_cast<long>(part.right * width + 0.5) - left,
                                           static_cast<long>(part.bottom * height + 0.5) - top));
}

}  // namespace win32
