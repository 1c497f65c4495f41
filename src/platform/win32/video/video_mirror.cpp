#include "platform/win32/video/video_mirror.h"

#include <dvdmedia.h>
#include <qedit.h>

#include <cstring>
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
const CLSID kNullRenderer = {0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
// The Infinite Pin Tee hands one sample to every output; not every system
// registers it (Wine 8 does not). The Smart Tee's capture output keeps the
// time stamps the renderer needs; its preview output, the branch, has none,
// and needs none: the mirror paints what comes at once.
const CLSID kInfiniteTee = {0xf8388a40, 0xd5bb, 0x11d0, {0xbe, 0x5a, 0x00, 0x80, 0xc7, 0x06, 0x56, 0x8e}};
const CLSID kSmartTee = {0xcc58e280, 0x8aa1, 0x11d1, {0xb3, 0xf1, 0x00, 0xaa, 0x00, 0x37, 0x61, 0xc5}};

// A YUV subtype: its FOURCC in the first field of the common base GUID.
bool IsFourCC(const GUID& subtype, const char (&code)[5]) {
    const GUID base = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    const DWORD fourCC = static_cast<DWORD>(code[0]) | static_cast<DWORD>(code[1]) << 8 |
                         static_cast<DWORD>(code[2]) << 16 | static_cast<DWORD>(code[3]) << 24;
    return subtype.Data1 == fourCC && std::memcmp(&subtype.Data2, &base.Data2, sizeof(GUID) - sizeof(DWORD)) == 0;
}

std::optional<platform::Pixels> PixelsOf(const GUID& subtype, WORD bitCount) {
    using platform::Pixels;
    if (subtype == MEDIASUBTYPE_RGB32 && bitCount == 32) return Pixels::Rgb32;
    if (IsFourCC(subtype, "YUY2")) return Pixels::Yuy2;
    if (IsFourCC(subtype, "NV12")) return Pixels::Nv12;
    if (IsFourCC(subtype, "YV12")) return Pixels::Yv12;
    if (IsFourCC(subtype, "I420") || IsFourCC(subtype, "IYUV")) return Pixels::I420;
    return std::nullopt;
}

// The layout of the pictures of type, if it is one the mirror can paint.
std::optional<platform::FrameFormat> FormatOf(const AM_MEDIA_TYPE& type) {
    const BITMAPINFOHEADER* header = nullptr;
    const RECT* source = nullptr;
    if (type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto& video = *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        header = &video.bmiHeader;
        source = &video.rcSource;
    } else if (type.formattype == FORMAT_VideoInfo2 && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto& video = *reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
        header = &video.bmiHeader;
        source = &video.rcSource;
    }
    if (!header) return std::nullopt;
    const std::optional<platform::Pixels> pixels = PixelsOf(type.subtype, header->biBitCount);
    if (!pixels) return std::nullopt;
    return platform::FrameFormat{header->biWidth, header->biHeight, source->left, source->top,
                                 source->right, source->bottom, *pixels};
}

// The grabber's callback: on the branch's streaming thread, which may be the
// one that feeds the renderer, so it only copies.
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
        // Shown already: the tee handed it to the renderer first.
        const long size = sample->GetActualDataLength();
        painter_->Handed(format_, data, static_cast<std::size_t>(size > 0 ? size : 0), std::nullopt);
    }

    const std::shared_ptr<MirrorPainter> painter_;
    platform::FrameFormat format_;  // streaming thread only
};

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

namespace {

// The graph's length, as its position calls read it; none where it cannot say.
std::optional<LONGLONG> Length(IGraphBuilder& graph) {
    ComPtr<IMediaSeeking> seeking;
    LONGLONG length = 0;
    if (FAILED(graph.QueryInterface(__uuidof(IMediaSeeking), seeking.put_void())) ||
        FAILED(seeking->GetDuration(&length)))
        return std::nullopt;
    return length;
}

struct Branch {
    ComPtr<ISampleGrabber> grabber;
    platform::FrameFormat format;
};

// The branch through a tee of that class to a grabber asking for subtype
// (GUID_NULL: whatever the renderer is fed); none, with the graph put back,
// where it cannot be built or brings pictures the mirror cannot paint.
std::optional<Branch> TryBranch(IGraphBuilder& graph, RendererConnection& connection, const CLSID& teeClass,
                                const GUID& subtype) {
    const std::optional<LONGLONG> length = Length(graph);
    ComPtr<IBaseFilter> tee, grabberFilter, sink;
    if (FAILED(CoCreateInstance(teeClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IBaseFilter), tee.put_void())))
        return std::nullopt;
    ThrowIfFailed(CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IBaseFilter),
                                   grabberFilter.put_void()));
    ThrowIfFailed(CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IBaseFilter),
                                   sink.put_void()));
    ComPtr<ISampleGrabber> grabber = grabberFilter.query<ISampleGrabber>();
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = subtype;
    ThrowIfFailed(grabber->SetMediaType(&wanted));
    ThrowIfFailed(grabber->SetBufferSamples(FALSE));
    ThrowIfFailed(grabber->SetOneShot(FALSE));
    AM_MEDIA_TYPE connected{};
    std::optional<platform::FrameFormat> format;
    if (SUCCEEDED(connection.Branch(*tee.get(), *grabberFilter.get(), *sink.get())) &&
        SUCCEEDED(grabber->GetConnectedMediaType(&connected)))
        format = FormatOf(connected);
    FreeMediaType(connected);
    // The renderer asks the tee for the stream's length and position: a tee
    // that cannot tell leaves a graph with no other renderer unable to loop.
    if (format && length && !Length(graph) && (FAILED(connection.AnswerPositionsFromFeed()) || !Length(graph)))
        format.reset();
    if (!format) {
        connection.Restore();
        return std::nullopt;
    }
    return Branch{std::move(grabber), *format};
}

}  // namespace

std::shared_ptr<MirrorPainter> MirrorVideo(IMediaControl& control, const std::vector<platform::VideoTarget>& windows) {
    ComPtr<IGraphBuilder> graph;
    ThrowIfFailed(control.QueryInterface(__uuidof(IGraphBuilder), graph.put_void()));
    RendererConnection connection(*graph.get());
    KeepPlace place(*graph.get());

    // The renderer's own pictures where the mirror can read them, converted
    // on the painter's thread; else whatever the graph's converters make RGB of.
    std::optional<Branch> branch;
    for (const CLSID& tee : {kInfiniteTee, kSmartTee})
        for (const GUID& subtype : {GUID_NULL, MEDIASUBTYPE_RGB32})
            if (!branch) branch = TryBranch(*graph.get(), connection, tee, subtype);
    if (!branch) ThrowIfFailed(VFW_E_TYPE_NOT_ACCEPTED);

    auto painter = std::make_shared<MirrorPainter>(windows, ComPtr<IReferenceClock>());
    auto* grabbed = new Grabbed(painter, branch->format);  // our reference, dropped below
    const HRESULT set = branch->grabber->SetCallback(grabbed, 0);
    grabbed->Release();
    if (FAILED(set)) {
        connection.Restore();
        ThrowIfFailed(set);
    }
    for (const platform::VideoTarget& window : windows) AttachMirror(reinterpret_cast<HWND>(window.window), painter);
    Background().Start([painter] { painter->Run(); });
    return painter;
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
