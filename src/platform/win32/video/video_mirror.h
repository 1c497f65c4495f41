#pragma once
// One decode, every monitor: a tee before the graph's video renderer feeds a
// branch of ours (tee -> grabber -> null renderer) that copies each picture
// once the renderer has it, and a painter draws it into windows of ours. The
// renderer keeps its type; the mirror never reads the renderer's buffers.
#include "platform/win32/dshow_uuids.h"

#include <memory>
#include <vector>

#include "platform/video_part.h"

namespace win32 {

class MirrorPainter;

// Puts the branch into a built, stopped graph and draws into windows from
// then on. Throws platform::Error, leaving the graph as it was, where the
// graph has no video renderer or no branch can be built for its pictures. On the window's
// thread, which owns the windows.
// The painter it made, for the windows to be changed later.
std::shared_ptr<MirrorPainter> MirrorVideo(IMediaControl& control, const std::vector<platform::VideoTarget>& windows);

// The graph's own video window shows only part of the picture.
void ShowPart(IMediaControl& control, const platform::Part& part);

}  // namespace win32
