#include "platform/win32/music/dshow_track.h"

#include <algorithm>
#include <utility>

#include "platform/win32/video/directshow_graph.h"
#include "platform/win32/music/dshow_player.h"
#include "platform/win32/hresult.h"

namespace win32 {
namespace {

constexpr std::int32_t kSilence = -10000;  // hundredths of a decibel

}  // namespace

DShowTrack::Graph::~Graph() {
    stop = StopOnFailure();  // off the list before its Stop, which may hang
    if (control) static_cast<void>(control->Stop());
}

DShowTrack::Graph& DShowTrack::Graph::operator=(Graph&& other) noexcept {
    if (this == &other) return *this;
    Graph old(std::move(*this));
    control = std::move(other.control);
    position = std::move(other.position);
    events = std::move(other.events);
    stop = std::move(other.stop);
    started = other.started;
    running = other.running;
    return *this;
}

// The URL is taken as it stands, which is what the empty baseURL asks for;
// this player has no user interface, no error dialogs and opens no links.
void DShowTrack::Open(const std::wstring& url) {
    if (!url.empty() && url == prepared_) {
        prepared_.clear();
        state_ = platform::wmppsTransitioning;
        wanted_->store(true);
        return;
    }
    Close();
    if (url.empty()) return;
    state_ = platform::wmppsTransitioning;
    StartOpening(url, true);
}

// Until the file is given, the player stays as it was: ready, with nothing open.
void DShowTrack::Prepare(const std::wstring& url) {
    Close();
    if (url.empty()) return;
    prepared_ = url;
    StartOpening(url, false);
}

void DShowTrack::StartOpening(const std::wstring& url, bool wanted) {
    wanted_ = std::make_shared<std::atomic<bool>>(wanted);
    opening_.Start(background_, [url, settings = settings_, given = wanted_] {
        Graph graph = Build(url, settings);
        // Given while it was opened: it starts by itself, as with the control.
        // Otherwise whoever gives the file starts it.
        if (given->load()) {
            graph.started = true;
            graph.running = graph.control && settings.autoStart && SUCCEEDED(graph.control->Run());
        }
        return graph;
    });
}

// A missing or unplayable file is no error to the caller, as with the
// control: the player goes back to ready and never reports playing.
DShowTrack::Graph DShowTrack::Build(const std::wstring& url, const PlayerSettings& settings) {
    Graph built;
    try {
        ComPtr<IGraphBuilder> graph;
        ThrowIfFailed(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IGraphBuilder),
                                       graph.put_void()));
        if (FAILED(graph->RenderFile(url.c_str(), nullptr))) return built;
        built.control = graph.query<IMediaControl>();
        built.position = graph.query<IMediaPosition>();
        built.events = graph.query<IMediaEventEx>();
        ApplySettings(*graph.get(), *built.position.get(), settings);
        built.stop = StopOnFailure(*built.control.get());
    } catch (const platform::Error&) {
        return Graph{};
    }
    return built;
}

void DShowTrack::Adopt() {
    if (!wanted_ || !wanted_->load()) return;
    std::optional<Graph> opened = opening_.Take();
    if (!opened) return;
    if (!opened->control) {
        state_ = wmppsReady;
        return;
    }
    graph_ = std::move(*opened);
    if (!settings_.autoStart) {
        state_ = wmppsReady;
    } else if (graph_.started ? graph_.running : SUCCEEDED(graph_.control->Run())) {
        state_ = platform::wmppsPlaying;
        passesLeft_ = std::max(settings_.playCount, 1);
    } else {
        Close();
    }
}

// Without a sound device the graph has no audio renderer and refuses a level,
// yet what it could render still plays, as with the control, so refusals are
// not errors here.
void DShowTrack::ApplySettings(IGraphBuilder& graph, IMediaPosition& position, const PlayerSettings& settings) {
    ComPtr<IBasicAudio> audio;
    if (SUCCEEDED(graph.QueryInterface(__uuidof(IBasicAudio), audio.put_void()))) {
        static_cast<void>(audio->put_Volume(settings.mute ? kSilence : VolumeToHundredthsOfDb(settings.volume)));
        static_cast<void>(audio->put_Balance(BalanceToHundredthsOfDb(settings.balance)));
    }
    if (settings.rate != 1.0) static_cast<void>(position.put_Rate(settings.rate));
    // A file with pictures would otherwise open a video window; the control
    // with its invisible user interface shows none.
    ComPtr<IVideoWindow> window;
    if (SUCCEEDED(graph.QueryInterface(__uuidof(IVideoWindow), window.put_void())))
        static_cast<void>(window->put_AutoShow(OAFALSE));
}

void DShowTrack::Close() {
    // An open still under way is thrown away when it is done, unplayed.
    if (wanted_) wanted_->store(false);
    wanted_.reset();
    opening_.Drop();
    graph_ = Graph{};
    state_ = wmppsReady;
    passesLeft_ = 0;
    prepared_.clear();
}

// Nothing open: the control takes play as a no-op too. While a file is still
// being opened, its automatic start is what plays it.
void DShowTrack::Play() {
    Poll();
    if (!graph_.control) return;
    ThrowIfFailed(graph_.control->Run());
    if (state_ != platform::wmppsPlaying) {
        state_ = platform::wmppsPlaying;
        passesLeft_ = std::max(settings_.playCount, 1);
    }
}

// Nothing open reads as 0 seconds, as with the control.
double DShowTrack::Seconds(HRESULT (STDMETHODCALLTYPE IMediaPosition::*get)(REFTIME*)) {
    Poll();
    if (!graph_.position) return 0;
    REFTIME seconds = 0;
    ThrowIfFailed((graph_.position.get()->*get)(&seconds));
    return seconds;
}

double DShowTrack::Position() { return Seconds(&IMediaPosition::get_CurrentPosition); }

double DShowTrack::Duration() { return Seconds(&IMediaPosition::get_Duration); }

void DShowTrack::Seek(double seconds) {
    Poll();
    if (!graph_.position) return;
    SeekStopped(*graph_.control.get(), *graph_.position.get(), seconds);
    if (state_ == platform::wmppsPlaying) ThrowIfFailed(graph_.control->Run());
}

// Takes whatever the graph has queued without waiting for more.
void DShowTrack::Poll() {
    Adopt();
    if (!graph_.events) return;
    TakeEvents(*graph_.events.get(), [this](long code) {
        if (code == EC_COMPLETE || code == EC_ERRORABORT) Ended(code);
    });
}

// Like the control, the player stops at the end and goes back to the start,
// so that play begins the file again; a further pass of playCount starts the
// same way. The stream is over whatever the graph answers, so its refusals
// are not raised from a mere question about state.
void DShowTrack::Ended(long code) {
    if (state_ != platform::wmppsPlaying) return;
    static_cast<void>(graph_.control->Stop());
    static_cast<void>(graph_.position->put_CurrentPosition(0));
    if (code == EC_COMPLETE && --passesLeft_ > 0) {
        if (SUCCEEDED(graph_.control->Run())) return;
    }
    state_ = platform::wmppsStopped;
    passesLeft_ = 0;
}

}  // namespace win32
