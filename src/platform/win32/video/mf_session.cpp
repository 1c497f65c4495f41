#include "platform/win32/video/mf_session.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <limits>
#include <utility>

#include "platform/win32/com_ptr.h"
#include "platform/win32/hresult.h"
#include "platform/win32/video/evr_picture.h"
#include "platform/win32/video/mf_events.h"
#include "platform/win32/video/mf_grabber.h"
#include "platform/win32/video/mf_library.h"
#include "platform/win32/video/mf_topology.h"
#include "platform/win32/video/mirror_painter.h"
#include "platform/win32/stop_list.h"
#include "platform/win32/threads.h"

namespace win32 {
namespace {

// Long enough for a session to close, which takes milliseconds; short enough
// that a session that never says so holds up a close request little.
constexpr DWORD kCloseWaitMs = 1000;

// Where the session's picture goes: the renderer's own into Form1, or the
// painter's into Form1 and the covers.
struct Drawn {
    HWND form = nullptr;
    std::shared_ptr<EvrPicture> evr;
    std::shared_ptr<MirrorPainter> painter;
    std::vector<platform::VideoTarget> painted;
};

class Session final : public platform::MediaSession {
public:
    Session(ComPtr<IMFMediaSession> session, ComPtr<IMFMediaSource> source, double duration, Drawn drawn)
        : session_(std::move(session)), source_(std::move(source)), duration_(duration), drawn_(std::move(drawn)) {
        events_ = new Events(session_.query<IMFMediaSession>());
        events_->Listen();
        // Nothing plays on behind a run-time error's box.
        stop_ = StopOnFailure(*session_.get());
    }
    ~Session() override {
        stop_ = StopOnFailure();
        events_->ForgetEnd();
        if (drawn_.evr) drawn_.evr->Drop();
        if (drawn_.painter) drawn_.painter->Close();
        events_->Closing();
        // Media Foundation's order: shut down once closed. (Under Wine, a
        // session that stands still at its end never closes, and its
        // Shutdown never returns: one reason the stop runs off the window's
        // thread. Its renderer is then stuck in its clock's stop on one of
        // Media Foundation's shared work-queue threads, and no new session of
        // this process gets past opening its file.)
        if (SUCCEEDED(session_->Close())) WaitForSingleObject(events_->Done(), kCloseWaitMs);
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
        ShowInWindows();
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
        if (events_->RestartNowOrAtEnd(duration_ - ClockSeconds())) ThrowIfFailed(StartAt(*session_.get(), 0));
    }
    // A session that stood still at its end has no place to report: the
    // watchdog takes that as it takes a clock that stands still.
    double Position() override {
        if (events_->StoodStill()) ThrowIfFailed(HRESULT_FROM_WIN32(ERROR_TIMEOUT));
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
    // Where the clock stands now; NaN where it cannot say.
    double ClockSeconds() {
        MFTIME time = 0;
        if (!clock_ || FAILED(clock_->GetTime(&time))) return std::numeric_limits<double>::quiet_NaN();
        return static_cast<double>(time) / 1e7;
    }
    bool Ended() override { return events_->Ended(); }
    bool Broken() override { return events_->Broken(); }
    void Place(const platform::Part& part, const std::vector<platform::VideoTarget>& others) override {
        if (drawn_.evr) drawn_.evr->Place(drawn_.form, part);
        if (!drawn_.painter) return;
        drawn_.painted = {{reinterpret_cast<std::intptr_t>(drawn_.form), part}};
        drawn_.painted.insert(drawn_.painted.end(), others.begin(), others.end());
        drawn_.painter->SetTargets(drawn_.painted);
        if (shown_)
            for (const platform::VideoTarget& other : others)
                AttachMirror(reinterpret_cast<HWND>(other.window), drawn_.painter);
        InvalidateRect(drawn_.form, nullptr, FALSE);
    }

private:
    // At the first start, on the window's thread, which owns the windows:
    // from now on they repaint from this session.
    void ShowInWindows() {
        if (std::exchange(shown_, true)) return;
        if (drawn_.evr) AttachEvr(drawn_.form, drawn_.evr);
        if (!drawn_.painter) return;
        for (const platform::VideoTarget& target : drawn_.painted)
            AttachMirror(reinterpret_cast<HWND>(target.window), drawn_.painter);
        Background().Start([painter = drawn_.painter] { painter->Run(); });
    }

    ComPtr<IMFMediaSession> session_;
    ComPtr<IMFMediaSource> source_;
    ComPtr<IMFPresentationClock> clock_;
    double duration_ = 0;
    double startAt_ = 0;  // where the next Start begins, if not where it stands
    Drawn drawn_;
    bool shown_ = false;
    Events* events_ = nullptr;  // our reference
    StopOnFailure stop_;
};

}  // namespace

namespace {

std::unique_ptr<platform::MediaSession> OpenDrawn(const Mf& mf, const std::wstring& file, const platform::Part& part,
                                                  Drawn drawn, bool sound) {
    const VideoSink videoSink = [&](IMFMediaTypeHandler& stream) {
        if (drawn.painter) return GrabberSink(mf, stream, drawn.painter);
        ComPtr<IMFActivate> renderer;
        ThrowIfFailed(mf.createVideoRendererActivate(drawn.form, renderer.put()));
        return renderer;
    };
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
    ComPtr<IMFTopology> topology = Topology(mf, *source.get(), *pd.get(), videoSink, sound);
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
    if (!drawn.painter) {
        if (ComPtr<IMFVideoDisplayControl> display = Display(mf, *session.get())) {
            drawn.evr = std::make_shared<EvrPicture>(std::move(display), part);
            drawn.evr->Place(drawn.form);
        }
    }
    guard = {nullptr, nullptr};
    return std::make_unique<Session>(std::move(session), std::move(source), duration, std::move(drawn));
}

// With no audio device to play to (none plugged in, its driver gone, the audio
// service stopped), the picture plays on its own, as with the sound off.
// (The audio client's codes, whose header clashes with DirectShow's.)
bool NoAudioDevice(const platform::Error& error) {
    constexpr auto kDeviceInvalidated = static_cast<std::int32_t>(0x88890004);
    constexpr auto kServiceNotRunning = static_cast<std::int32_t>(0x88890010);
    return error.number == static_cast<std::int32_t>(MF_E_NO_AUDIO_PLAYBACK_DEVICE) ||
           error.number == kDeviceInvalidated || error.number == kServiceNotRunning ||
           error.number == static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
}

std::unique_ptr<platform::MediaSession> OpenDrawn(const Mf& mf, const std::wstring& file, const platform::Part& part,
                                                  const Drawn& drawn) {
    try {
        return OpenDrawn(mf, file, part, drawn, true);
    } catch (const platform::Error& error) {
        if (!NoAudioDevice(error)) throw;
    }
    return OpenDrawn(mf, file, part, drawn, false);
}

}  // namespace

std::unique_ptr<platform::MediaSession> MediaSessions::Open(const std::wstring& file, const platform::VideoTarget& form,
                                                            const std::vector<platform::VideoTarget>& others,
                                                            bool alwaysPainted) {
    const Mf& mf = LoadMf();
    UseCom();
    Drawn drawn;
    drawn.form = reinterpret_cast<HWND>(form.window);
    // More than one window: the picture comes to the painter, which draws it
    // into each at the same moment; the renderer would draw into one only.
    // Where the session takes no such sink, the renderer draws Form1's
    // picture as on one monitor, and the others stay black. The painter also
    // takes over from a renderer that stood still in this process before.
    if (!others.empty() || alwaysPainted) {
        Drawn painted = drawn;
        painted.painted.push_back(form);
        painted.painted.insert(painted.painted.end(), others.begin(), others.end());
        painted.painter = std::make_shared<MirrorPainter>(painted.painted, ComPtr<IReferenceClock>());
        try {
            return OpenDrawn(mf, file, form.part, std::move(painted));
        } catch (const platform::Error&) {
        }
    }
    return OpenDrawn(mf, file, form.part, std::move(drawn));
}

}  // namespace win32
