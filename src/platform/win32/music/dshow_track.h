#pragma once
// One music file in a graph of its own, and the state the media player
// control would report for it.
#include "platform/win32/dshow_uuids.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/background.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/music/media_player.h"
#include "platform/win32/stop_list.h"

namespace win32 {

// The control's state that only this player reports.
constexpr std::int32_t wmppsReady = 10;

// Like the control, it opens a file without holding up its caller: the graph
// is built off the window's thread and handed over to the next call that
// asks. A prepared file is opened the same way but played only once it is
// given. Every call is made on the window's thread.
class DShowTrack {
public:
    DShowTrack(const PlayerSettings& settings, platform::Background& background)
        : settings_(settings), background_(background) {}
    ~DShowTrack() { Close(); }
    DShowTrack(const DShowTrack&) = delete;
    DShowTrack& operator=(const DShowTrack&) = delete;

    void Open(const std::wstring& url);
    void Prepare(const std::wstring& url);
    void Play();
    // Nothing of the file stays open: no graph, no audio stream.
    void Close();
    std::int32_t State() {
        Poll();
        return state_;
    }
    double Position();
    void Seek(double seconds);
    double Duration();

    // A graph of the track's: all of it, or nothing for a file that cannot be
    // played. Stopped when it goes, on whichever thread lets it go last.
    struct Graph {
        Graph() = default;
        Graph(Graph&&) = default;
        Graph& operator=(Graph&& other) noexcept;  // the graph held before is stopped
        ~Graph();
        ComPtr<IMediaControl> control;
        ComPtr<IMediaPosition> position;
        ComPtr<IMediaEventEx> events;
        StopOnFailure stop;
        bool started = false;  // Run was tried on the opening thread
        bool running = false;  // and succeeded
    };

private:
    static Graph Build(const std::wstring& url, const PlayerSettings& settings);
    static void ApplySettings(IGraphBuilder& graph, IMediaPosition& position, const PlayerSettings& settings);
    void StartOpening(const std::wstring& url, bool wanted);
    void Adopt();
    void Poll();
    void Ended(long code);
    double Seconds(HRESULT (STDMETHODCALLTYPE IMediaPosition::*get)(REFTIME*));

    PlayerSettings settings_;
    platform::Background& background_;
    Graph graph_;  // the file open now, if any
    std::int32_t state_ = wmppsReady;
    // Passes still to play, the current one included.
    std::int32_t passesLeft_ = 0;
    std::wstring prepared_;  // being opened ahead of being given

    // The open under way; an open given up on (another file, a close) is
    // dropped, and its graph goes with its thread.
    platform::Handover<Graph> opening_;
    // Given, not merely prepared: to be played. Shared with the opening thread.
    std::shared_ptr<std::atomic<bool>> wanted_;
};

}  // namespace win32
