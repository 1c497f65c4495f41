#pragma once
// One decode, every monitor: a sample grabber between the graph's decoder and
// its video renderer copies each picture on its way, and a painter draws it
// into windows of ours at the moment the renderer shows it.
#include "platform/win32/dshow_uuids.h"

#include <vector>

#include "platform/video_part.h"

namespace win32 {

// Puts the grabber into a built, stopped graph and draws into windows from
// then on. Throws platform::Error, leaving the graph as it was, where the
// graph has no video renderer or will not take the grabber. On the window's
// thread, which owns the windows.
void MirrorVideo(IMediaControl& control, const std::vector<platform::VideoTarget>& windows);

// The graph's own video window shows only part of the picture.
void ShowPart(IMediaControl& control, const platform::Part& part);

}  // namespace win32
