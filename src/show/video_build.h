#pragma once
// What the video's build makes on its own thread: the graph, and whether it
// rendered. Handed over whole to the window's thread when the build is done,
// which makes the rest (the video window, the position) itself; nothing in it
// is touched by both threads.
#include <memory>
#include <string>

#include "platform/platform.h"

namespace show {

struct BuiltVideo {
    std::unique_ptr<platform::MediaControl> MediaControl;
    std::unique_ptr<platform::BasicAudio> BasicAudio;
    // The graph connected a video renderer: it has a video to run and restart.
    bool rendered = false;
    // Where it connected none: the same file through Media Foundation, the
    // graph gone (null where that cannot play it either).
    std::unique_ptr<platform::MediaSession> Session;
};

// Steps that may wait on the file and its decoders for good. Reads the
// "sound" setting; touches nothing else of the platform but the graphs.
BuiltVideo BuildDShowGraph(platform::Platform& platform, const std::wstring& Filename);

// The fallback's part of the build (show/video_fallback.cpp): opening may wait
// for good, as the graph's may.
std::unique_ptr<platform::MediaSession> OpenFallback(platform::Platform& platform, const std::wstring& Filename);

// "sound" read now is a number equal to 1, or no number: the video's
// soundtrack is heard.
bool SoundtrackWanted(platform::Platform& platform);

}  // namespace show
