#include "platform/win32/mf_session.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <evr.h>

#include <limits>
#include <utility>

#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/hresult.h"
#include "platform/win32/mf_library.h"
#include "platform/win32/stop_list.h"
#include "platform/win32/threads.h"

namespace win32 {
namespace {

// Not in the toolchain's headers. Wine resolves no decoder for a source
// stream without it (MF_E_TOPO_CODEC_NOT_FOUND).
const GUID kEnumerateSourceTypes = {0x6248c36d, 0x5d0b, 0x4f40, {0xa0, 0xbb, 0xb0, 0xb3, 0x05, 0xf7, 0x76, 0x98}};

HRESULT StartAt(IMFMediaSession& session, double seconds) {
    PROPVARIANT at;
    PropVariantInit(&at);
    at.vt = VT_I8;
    at.hVal.QuadPart = static_cast<LONGLONG>(seconds * 1e7);
    return session.Start(&GUID_NULL, &at);
}

// The session's notifications, taken on Media Foundation's threads: the end
// is noted and wakes the window's wait; a start moves the clock back to use.
class Events final : public ComObject<IMFAsyncCallback> {
public:
    explicit Events(ComPtr<IMFMediaSession> session) : session_(std::move(session)) {
        wake_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Events() { CloseHandle(wake_); }

    STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IMFAsyncResult* result) override {
        ComPtr<IMFMediaEvent> event;
        if (FAILED(session_->EndGetEvent(result, event.put()))) return Unhook();
        MediaEventType type = MEUnknown;
        event->GetType(&type);
        if (type == MESessionEnded && EndedOrRestarts()) {
            StartAt(*session_.get(), 0);
        } else if (type == MESessionStarted) {
            Lock held(lock_);
            starting_ = false;
        } else if (type == MESessionClosed) {
            return Unhook();
        }
        if (FAILED(session_->BeginGetEvent(this, nullptr))) return Unhook();
        return S_OK;
    }

    void Listen() {
        AddRef();  // the session's pending request holds us until the last Invoke
        if (FAILED(session_->BeginGetEvent(this, nullptr))) Unhook();
    }
    HANDLE Wake() const { return wake_; }

    void Starting() {
        Lock held(lock_);
        starting_ = true;
    }
    // True when the session has ended and is to be started now; otherwise it
    // starts the moment it ends.
    bool RestartNowOrAtEnd() {
        Lock held(lock_);
        starting_ = true;
        restartAtEnd_ = !ended_;
        return std::exchange(ended_, false);
    }
    // An end noted after a start was asked for is that start's: a session
    // whose notice of starting never came still loops.
    bool Ended() {
        Lock held(lock_);
        return ended_;
    }
    bool StartingNow() {
        Lock held(lock_);
        return starting_;
    }

private:
    // At the session's end: true when a restart waits for it.
    bool EndedOrRestarts() {
        Lock held(lock_);
        if (std::exchange(restartAtEnd_, false)) return true;
        ended_ = true;
        SetEvent(wake_);
        return false;
    }

    HRESULT Unhook() { return Release(), S_OK; }
    ComPtr<IMFMediaSession> session_;
    HANDLE wake_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    bool ended_ = false;
    bool starting_ = false;  // asked to start, not yet started
    bool restartAtEnd_ = false;
};

class Session final : public platform::MediaSession {
public:
    Session(ComPtr<IMFMediaSession> session, ComPtr<IMFMediaSource> source, double duration)
        : session_(std::move(session)), source_(std::move(source)), duration_(duration) {
        events_ = new Events(session_.query<IMFMediaSession>());
        events_->Listen();
        // Nothing plays on behind a run-time error's box.
        stop_ = StopOnFailure(*session_.get());
    }
    ~Session() override {
        stop_ = StopOnFailure();
        session_->Close();
        source_->Shutdown();
        session_->Shutdown();
        events_->Release();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    std::intptr_t Handle() override { return reinterpret_cast<std::intptr_t>(events_->Wake()); }
    void TakeNews() override { ResetEvent(events_->Wake()); }
    void SetMasterVolume(float level) override {
        ComPtr<IMFSimpleAudioVolume> volume;
        ThrowIfFailed(LoadMf().getService(session_.get(), MR_POLICY_VOLUME_SERVICE, __uuidof(IMFSimpleAudioVolume),
                                          volume.put_void()));
        ThrowIfFailed(volume->SetMasterVolume(level));
    }
    void Start() override {
        PROPVARIANT here;
        PropVariantInit(&here);
        events_->Starting();
        ThrowIfFailed(startAt_ > 0 ? StartAt(*session_.get(), std::exchange(startAt_, 0))
                                   : session_->Start(&GUID_NULL, &here));
    }
    void Seek(double seconds) override { startAt_ = seconds; }
    // Wine 8's session cannot seek while it runs: asked to, it takes no
    // command again; stopped first, it starts its soundtrack again but not
    // its picture. It starts from the beginning once it has reached its end,
    // so a session short of its end starts again the moment it gets there.
    void Restart() override {
        if (events_->RestartNowOrAtEnd()) ThrowIfFailed(StartAt(*session_.get(), 0));
    }
    double Position() override {
        if (events_->StartingNow()) return 0;
        if (!clock_) {
            ComPtr<IMFClock> clock;
            ThrowIfFailed(session_->GetClock(clock.put()));
            clock_ = clock.query<IMFPresentationClock>();
        }
        MFTIME time = 0;
        ThrowIfFailed(clock_->GetTime(&time));
        return static_cast<double>(time) / 1e7;
    }
    double Duration() override { return duration_; }
    bool Ended() override { return events_->Ended(); }

private:
    ComPtr<IMFMediaSession> session_;
    ComPtr<IMFMediaSource> source_;
    ComPtr<IMFPresentationClock> clock_;
    double duration_ = 0;
    double startAt_ = 0;  // where the next Start begins, if not where it stands
    Events* events_ = nullptr;  // our reference
    StopOnFailure stop_;
};

// Each selected video and audio stream, from the source to its renderer;
// other streams are left out.
ComPtr<IMFTopology> Topology(const Mf& mf, IMFMediaSource& source, IMFPresentationDescriptor& pd, HWND window) {
    ComPtr<IMFTopology> topology;
    ThrowIfFailed(mf.createTopology(topology.put()));
    ThrowIfFailed(topology->SetUINT32(kEnumerateSourceTypes, TRUE));
    DWORD count = 0;
    ThrowIfFailed(pd.GetStreamDescriptorCount(&count));
    for (DWORD i = 0; i < count; ++i) {
        BOOL selected = FALSE;
        ComPtr<IMFStreamDescriptor> stream;
        ThrowIfFailed(pd.GetStreamDescriptorByIndex(i, &selected, stream.put()));
        if (!selected) continue;
        ComPtr<IMFMediaTypeHandler> handler;
        GUID major = GUID_NULL;
        ThrowIfFailed(stream->GetMediaTypeHandler(handler.put()));
        ThrowIfFailed(handler->GetMajorType(&major));
        ComPtr<IMFActivate> renderer;
        if (major == MFMediaType_Video) {
            ThrowIfFailed(mf.createVideoRendererActivate(window, renderer.put()));
        } else if (major == MFMediaType_Audio) {
            ThrowIfFailed(mf.createAudioRendererActivate(renderer.put()));
        } else {
            ThrowIfFailed(pd.DeselectStream(i));
            continue;
        }
        ComPtr<IMFTopologyNode> from, to;
        ThrowIfFailed(mf.createTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, from.put()));
        ThrowIfFailed(from->SetUnknown(MF_TOPONODE_SOURCE, &source));
        ThrowIfFailed(from->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, &pd));
        ThrowIfFailed(from->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream.get()));
        ThrowIfFailed(topology->AddNode(from.get()));
        ThrowIfFailed(mf.createTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, to.put()));
        ThrowIfFailed(to->SetObject(renderer.get()));
        ThrowIfFailed(topology->AddNode(to.get()));
        ThrowIfFailed(from->ConnectOutput(0, to.get(), 0));
    }
    return topology;
}

// Waits, on the building thread, until the session has resolved the topology
// (the renderers exist from then on) or has failed to.
void WaitUntilReady(IMFMediaSession& session) {
    for (;;) {
        ComPtr<IMFMediaEvent> event;
        ThrowIfFailed(session.GetEvent(0, event.put()));
        HRESULT status = S_OK;
        ThrowIfFailed(event->GetStatus(&status));
        ThrowIfFailed(status);
        MediaEventType type = MEUnknown;
        ThrowIfFailed(event->GetType(&type));
        if (type == MEError) ThrowIfFailed(E_FAIL);
        UINT32 topology = MF_TOPOSTATUS_INVALID;
        if (type == MESessionTopologyStatus && SUCCEEDED(event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &topology)) &&
            topology == MF_TOPOSTATUS_READY)
            return;
    }
}

// Stretched over the window's inner area, whatever the picture's own shape.
void Stretch(const Mf& mf, IMFMediaSession& session, HWND window) {
    ComPtr<IMFVideoDisplayControl> display;
    if (FAILED(mf.getService(&session, MR_VIDEO_RENDER_SERVICE, __uuidof(IMFVideoDisplayControl),
                             display.put_void())))
        return;  // a file with no video: nothing to place
    RECT client{};
    GetClientRect(window, &client);
    display->SetAspectRatioMode(MFVideoARMode_None);
    ThrowIfFailed(display->SetVideoPosition(nullptr, &client));
}

}  // namespace

std::unique_ptr<platform::MediaSession> MediaSessions::Open(const std::wstring& file, std::intptr_t window) {
    const Mf& mf = LoadMf();
    UseCom();
    const HWND hwnd = reinterpret_cast<HWND>(window);
    ComPtr<IMFSourceResolver> resolver;
    ThrowIfFailed(mf.createSourceResolver(resolver.put()));
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    ComPtr<IUnknown> object;
    ThrowIfFailed(resolver->CreateObjectFromURL(file.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr, &type,
                                                object.put()));
    ComPtr<IMFMediaSource> source = object.query<IMFMediaSource>();
    ComPtr<IMFPresentationDescriptor> pd;
    ThrowIfFailed(source->CreatePresentationDescriptor(pd.put()));
    // A source that states no length loops at its end only.
    UINT64 length = 0;
    const double duration = SUCCEEDED(pd->GetUINT64(MF_PD_DURATION, &length))
                                ? static_cast<double>(length) / 1e7
                                : std::numeric_limits<double>::quiet_NaN();
    ComPtr<IMFTopology> topology = Topology(mf, *source.get(), *pd.get(), hwnd);
    ComPtr<IMFMediaSession> session;
    ThrowIfFailed(mf.createMediaSession(nullptr, session.put()));
    struct ShutDownUnlessKept {
        IMFMediaSession* session;
        IMFMediaSource* source;
        ~ShutDownUnlessKept() {
            if (session) session->Shutdown();
            if (source) source->Shutdown();
        }
    } guard{session.get(), source.get()};
    ThrowIfFailed(session->SetTopology(0, topology.get()));
    WaitUntilReady(*session.get());
    Stretch(mf, *session.get(), hwnd);
    guard = {nullptr, nullptr};
    return std::make_unique<Session>(std::move(session), std::move(source), duration);
}

}  // namespace win32
