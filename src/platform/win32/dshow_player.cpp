#include "platform/win32/dshow_player.h"

#include "platform/win32/dshow_uuids.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/win32/com_ptr.h"
#include "platform/win32/directshow_graph.h"
#include "platform/win32/hresult.h"
#include "platform/win32/system.h"
#include "platform/win32/threads.h"


namespace win32 {
namespace {

constexpr std::int32_t kSilence = -10000;  // hundredths of a decibel
constexpr std::int32_t wmppsStopped = 1;
constexpr std::int32_t wmppsReady = 10;

}  // namespace

std::int32_t VolumeToHundredthsOfDb(std::int32_t volume) {
    if (volume >= 100) return 0;
    if (volume <= 0) return kSilence;
    const long level = std::lround(2000.0 * std::log10(volume / 100.0));
    return std::max(static_cast<std::int32_t>(level), kSilence);
}

std::int32_t BalanceToHundredthsOfDb(std::int32_t balance) {
    const std::int32_t size = std::min(std::abs(balance), 100);
    const std::int32_t lowered = -VolumeToHundredthsOfDb(100 - size);
    return balance < 0 ? -lowered : lowered;  // positive lowers the left side
}

// One file in a graph of its own, and the state the control would report for it.
// Like the control, it opens a file without holding up its caller: the graph
// is built on a thread of ours and taken over by the next call that asks. A
// prepared file is opened the same way but played only once it is given.
class DShowTrack : public std::enable_shared_from_this<DShowTrack> {
public:
    explicit DShowTrack(const PlayerSettings& settings) : settings_(settings) {}
    DShowTrack(const DShowTrack&) = delete;
    DShowTrack& operator=(const DShowTrack&) = delete;
    ~DShowTrack() { Close(); }

    void Open(const std::wstring& url);
    void Prepare(const std::wstring& url);
    void Play();
    void Close();
    std::int32_t State() {
        Poll();
        return state_;
    }
    double Position();
    void Seek(double seconds);
    double Duration();

private:
    // What the opening thread built: all of it, or nothing for a file that
    // cannot be played.
    struct Opened {
        ComPtr<IMediaControl> control;
        ComPtr<IMediaPosition> position;
        ComPtr<IMediaEventEx> events;
        int atEnd = 0;
        bool started = false;  // Run was tried on the opening thread
        bool running = false;  // and succeeded
    };
    static Opened Build(const std::wstring& url, const PlayerSettings& settings);
    static void ApplySettings(IGraphBuilder& graph, IMediaPosition& position, const PlayerSettings& settings);
    static void Discard(Opened& opened);
    void StartOpening(const std::wstring& url, bool wanted);
    void Adopt();
    void Poll();
    void Ended(long code);

    PlayerSettings settings_;
    // All three are held while a file is open, none otherwise; used on the
    // caller's thread only.
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaPosition> position_;
    ComPtr<IMediaEventEx> events_;
    std::int32_t state_ = wmppsReady;
    // Passes still to play, the current one included.
    std::int32_t passesLeft_ = 0;
    int atEnd_ = 0;  // the graph's stop on the way out
    std::wstring prepared_;  // being opened ahead of being given

    // Shared with the opening thread.
    SRWLOCK lock_ = SRWLOCK_INIT;
    int generation_ = 0;             // the open that counts; older ones are thrown away
    bool wanted_ = false;            // given, not merely prepared: to be played
    std::optional<Opened> opened_;   // built, not yet taken over
};

// The URL is taken as it stands, which is what the empty baseURL asks for;
// this player has no user interface, no error dialogs and opens no links.
void DShowTrack::Open(const std::wstring& url) {
    if (!url.empty() && url == prepared_) {
        prepared_.clear();
        state_ = platform::wmppsTransitioning;
        Lock held(lock_);
        wanted_ = true;
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
    int generation = 0;
    {
        Lock held(lock_);
        generation = ++generation_;
        wanted_ = wanted;
    }
    RunOnNewThread([self = shared_from_this(), url, settings = settings_, generation] {
        Opened opened = Build(url, settings);
        bool given = false;
        {
            Lock held(self->lock_);
            given = generation == self->generation_ && self->wanted_;
        }
        // Given while it was opened: it starts by itself, as with the control.
        // Otherwise whoever gives the file starts it.
        if (given) {
            opened.started = true;
            opened.running = opened.control && settings.autoStart && SUCCEEDED(opened.control->Run());
        }
        Lock held(self->lock_);
        if (generation != self->generation_) {
            Discard(opened);
            return;
        }
        self->opened_ = std::move(opened);
    });
}

// A missing or unplayable file is no error to the caller, as with the
// control: the player goes back to ready and never reports playing.
DShowTrack::Opened DShowTrack::Build(const std::wstring& url, const PlayerSettings& settings) {
    Opened opened;
    try {
        ComPtr<IGraphBuilder> graph;
        ThrowIfFailed(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IGraphBuilder),
                                       graph.put_void()));
        if (FAILED(graph->RenderFile(url.c_str(), nullptr))) return opened;
        opened.control = graph.query<IMediaControl>();
        opened.position = graph.query<IMediaPosition>();
        opened.events = graph.query<IMediaEventEx>();
        ApplySettings(*graph.get(), *opened.position.get(), settings);
        opened.atEnd = AtEnd([control = opened.control.get()] { Dismantle(*control); });
    } catch (const platform::Error&) {
        Discard(opened);
        opened = Opened{};
    }
    return opened;
}

void DShowTrack::Discard(Opened& opened) {
    if (opened.atEnd) CancelAtEnd(std::exchange(opened.atEnd, 0));
    if (opened.control) static_cast<void>(opened.control->Stop());
}

void DShowTrack::Adopt() {
    std::optional<Opened> opened;
    {
        Lock held(lock_);
        if (!wanted_) return;
        opened.swap(opened_);
    }
    if (!opened) return;
    if (!opened->control) {
        state_ = wmppsReady;
        return;
    }
    control_ = std::move(opened->control);
    position_ = std::move(opened->position);
    events_ = std::move(opened->events);
    atEnd_ = opened->atEnd;
    if (!settings_.autoStart) {
        state_ = wmppsReady;
    } else if (opened->started ? opened->running : SUCCEEDED(control_->Run())) {
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
    {
        // An open still under way is thrown away when it is done.
        Lock held(lock_);
        ++generation_;
        wanted_ = false;
        if (opened_) Discard(*opened_);
        opened_.reset();
    }
    if (atEnd_) CancelAtEnd(std::exchange(atEnd_, 0));
    if (control_) static_cast<void>(control_->Stop());
    events_.reset();
    position_.reset();
    control_.reset();
    state_ = wmppsReady;
    passesLeft_ = 0;
    prepared_.clear();
}

// Nothing open: the control takes play as a no-op too. While a file is still
// being opened, its automatic start is what plays it.
void DShowTrack::Play() {
    Poll();
    if (!control_) return;
    ThrowIfFailed(control_->Run());
    if (state_ != platform::wmppsPlaying) {
        state_ = platform::wmppsPlaying;
        passesLeft_ = std::max(settings_.playCount, 1);
    }
}

double DShowTrack::Position() {
    Poll();
    if (!position_) return 0;
    REFTIME seconds = 0;
    ThrowIfFailed(position_->get_CurrentPosition(&seconds));
    return seconds;
}

// A running graph is stopped for the seek and run again: seeking it while it
// runs has left a graph that never finished its next Stop.
void DShowTrack::Seek(double seconds) {
    Poll();
    if (!position_) return;
    if (state_ != platform::wmppsPlaying) {
        ThrowIfFailed(position_->put_CurrentPosition(seconds));
        return;
    }
    ThrowIfFailed(control_->Stop());
    ThrowIfFailed(position_->put_CurrentPosition(seconds));
    ThrowIfFailed(control_->Run());
}

double DShowTrack::Duration() {
    Poll();
    if (!position_) return 0;
    REFTIME seconds = 0;
    ThrowIfFailed(position_->get_Duration(&seconds));
    return seconds;
}

// Takes whatever the graph has queued without waiting for more.
void DShowTrack::Poll() {
    Adopt();
    if (!events_) return;
    TakeEvents(*events_.get(), [this](long code) {
        if (code == EC_COMPLETE || code == EC_ERRORABORT) Ended(code);
    });
}

// Like the control, the player stops at the end and goes back to the start,
// so that play begins the file again; a further pass of playCount starts the
// same way. The stream is over whatever the graph answers, so its refusals
// are not raised from a mere question about state.
void DShowTrack::Ended(long code) {
    if (state_ != platform::wmppsPlaying) return;
    static_cast<void>(control_->Stop());
    static_cast<void>(position_->put_CurrentPosition(0));
    if (code == EC_COMPLETE && --passesLeft_ > 0) {
        if (SUCCEEDED(control_->Run())) return;
    }
    state_ = wmppsStopped;
    passesLeft_ = 0;
}

namespace {

class TrackControls final : public platform::PlayerControls {
public:
    explicit TrackControls(std::shared_ptr<DShowTrack> track) : track_(std::move(track)) {}
    void play() override { track_->Play(); }
    double get_currentPosition() override { return track_->Position(); }
    void put_currentPosition(double seconds) override { track_->Seek(seconds); }

private:
    std::shared_ptr<DShowTrack> track_;
};

class TrackMedia final : public platform::PlayerMedia {
public:
    explicit TrackMedia(std::shared_ptr<DShowTrack> track) : track_(std::move(track)) {}
    double get_duration() override { return track_->Duration(); }

private:
    std::shared_ptr<DShowTrack> track_;
};

}  // namespace

DShowPlayer::DShowPlayer(const PlayerSettings& settings) : track_(std::make_shared<DShowTrack>(settings)) {}

DShowPlayer::~DShowPlayer() = default;

void DShowPlayer::put_URL(const std::wstring& url) { track_->Open(url); }

void DShowPlayer::Prepare(const std::wstring& url) { track_->Prepare(url); }

std::unique_ptr<platform::PlayerControls> DShowPlayer::controls() {
    return std::make_unique<TrackControls>(track_);
}

std::unique_ptr<platform::PlayerMedia> DShowPlayer::currentMedia() { return std::make_unique<TrackMedia>(track_); }

std::int32_t DShowPlayer::playState() { return track_->State(); }

void DShowPlayer::close() { track_->Close(); }

}  // namespace win32
