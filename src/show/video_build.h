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
    // RenderFile succeeded: there is a video to run and to restart.
    bool rendered = false;
};

// Steps that may wait on the file and its decoders for good. Reads the
// "sound" setting; touches nothing else of the platform but the graphs.
BuiltVideo BuildDShowGraph(platform::Platform& platform, const std::wstring& Filename);

}  // namespace show
