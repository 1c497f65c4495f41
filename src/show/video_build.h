#pragma once
// The video as values handed between threads. What the build makes on its
// own thread: the graph, and whether it rendered; handed over whole to the
// window's thread when the build is done, which makes the rest (the video
// window, the position) itself. What the stop takes from the window's thread
// to its own: the playing video, by either path. Nothing in either is touched
// by both threads.
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace show {

// Where the video is drawn: Form1's window and its part of the picture, and
// the covers that show it too (none where the others stay black).
struct VideoPlan {
    platform::VideoTarget form;
    std::vector<platform::VideoTarget> others;
    // Drawn by our own painter even on one monitor: the platform's renderer
    // stood still before, in this run.
    bool painted = false;
};

struct BuiltVideo {
    std::unique_ptr<platform::MediaControl> MediaControl;
    std::unique_ptr<platform::BasicAudio> BasicAudio;
    // The graph connected a video renderer: it has a video to run and restart.
    bool rendered = false;
    // Where it connected none: the same file through Media Foundation, the
    // graph gone (null where that cannot play it either).
    std::unique_ptr<platform::MediaSession> Session;
};

// The video as Form1 held it, graph or session. Declared so that it goes
// piece by piece as Form1's graph went, the graph manager itself last.
struct PlayingVideo {
    std::unique_ptr<platform::MediaControl> MediaControl;
    std::unique_ptr<platform::MediaEvent> MediaEvent;
    std::unique_ptr<platform::MediaPosition> MediaPosition;
    std::unique_ptr<platform::VideoWindow> VideoWindow;
    std::unique_ptr<platform::BasicAudio> BasicAudio;
    std::unique_ptr<platform::MediaSession> Session;
};

// On the stop's thread: where the video stood (0 where it cannot say), then
// stopped, its window hidden, and let go, by whichever path it played.
double StopVideo(PlayingVideo video);

// Steps that may wait on the file and its decoders for good. Reads the
// "sound" setting; touches nothing else of the platform but the graphs.
BuiltVideo BuildDShowGraph(platform::Platform& platform, const std::wstring& Filename, const VideoPlan& plan);

// The fallback's part of the build (show/video_fallback.cpp): opening may wait
// for good, as the graph's may.
std::unique_ptr<platform::MediaSession> OpenFallback(platform::Platform& platform, const std::wstring& Filename,
                                                     const VideoPlan& plan);

// "sound" read now is a number equal to 1, or no number: the video's
// soundtrack is heard.
bool SoundtrackWanted(platform::Platform& platform);

}  // namespace show
