#include "platform/win32/video/mf_grabber.h"

#include <mfapi.h>

#include <utility>

#include "platform/win32/com_object.h"
#include "platform/win32/failure.h"
#include "platform/win32/hresult.h"

namespace win32 {
namespace {

// On the sink's thread, at each picture's moment: only copies, so that the
// next picture is not held up.
class Grabbed final : public ComObject<IMFSampleGrabberSinkCallback> {
public:
    Grabbed(std::shared_ptr<MirrorPainter> painter, UINT32 width, UINT32 height)
        : painter_(std::move(painter)), width_(static_cast<std::int32_t>(width)),
          height_(static_cast<std::int32_t>(height)) {}
    ~Grabbed() { painter_->Close(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IMFClockStateSink)) {
            *object = static_cast<IMFClockStateSink*>(this);
            AddRef();
            return S_OK;
        }
        return ComObject::QueryInterface(iid, object);
    }
    STDMETHODIMP OnClockStart(MFTIME, LONGLONG) override { return S_OK; }
    STDMETHODIMP OnClockStop(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockPause(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockRestart(MFTIME) override { return S_OK; }
    STDMETHODIMP OnClockSetRate(MFTIME, float) override { return S_OK; }
    STDMETHODIMP OnSetPresentationClock(IMFPresentationClock*) override { return S_OK; }
    STDMETHODIMP OnShutdown() override { return S_OK; }
    STDMETHODIMP OnProcessSample(REFGUID, DWORD, LONGLONG, LONGLONG, const BYTE* data, DWORD size) override {
        // Rows top-down, as the type asked for; a pitch wider than the picture
        // shows in the buffer's size.
        if (!data || height_ <= 0 || size < static_cast<DWORD>(height_) * 4) return S_OK;
        const auto pitch = static_cast<std::int32_t>(size / static_cast<DWORD>(height_) / 4);
        const platform::FrameFormat format{pitch, -height_, 0, 0, width_, height_};
        GuardThread([&] { painter_->Handed(format, data, size, std::nullopt); });
        return S_OK;
    }

private:
    const std::shared_ptr<MirrorPainter> painter_;
    const std::int32_t width_, height_;
};

}  // namespace

ComPtr<IMFActivate> GrabberSink(const Mf& mf, IMFMediaTypeHandler& stream, std::shared_ptr<MirrorPainter> painter) {
    ComPtr<IMFMediaType> source;
    ThrowIfFailed(stream.GetCurrentMediaType(source.put()));
    UINT32 width = 0, height = 0;
    ThrowIfFailed(MFGetAttributeSize(source.get(), MF_MT_FRAME_SIZE, &width, &height));
    ComPtr<IMFMediaType> wanted;
    ThrowIfFailed(mf.createMediaType(wanted.put()));
    ThrowIfFailed(wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    ThrowIfFailed(wanted->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32));
    ThrowIfFailed(MFSetAttributeSize(wanted.get(), MF_MT_FRAME_SIZE, width, height));
    ThrowIfFailed(wanted->SetUINT32(MF_MT_DEFAULT_STRIDE, width * 4));  // top-down
    auto* grabbed = new Grabbed(std::move(painter), width, height);  // our reference, dropped below
    ComPtr<IMFActivate> sink;
    const HRESULT made = mf.createSampleGrabberSinkActivate(wanted.get(), grabbed, sink.put());
    grabbed->Release();
    ThrowIfFailed(made);
    return sink;
}

}  // namespace win32
