#pragma once
// One decode, every monitor: a sample grabber between the graph's decoder and
// its video renderer hands each picture to us on its way, and we draw it into
// windows of ours at the moment the renderer shows it.
#include "platform/win32/dshow_uuids.h"

#include <cstdint>
#include <vector>

namespace win32 {

// Puts the grabber into a built, stopped graph and draws into windows from
// then on. Throws platform::Error, leaving the graph as it was, where the
// graph has no video renderer or will not take the grabber.
void MirrorVideo(IMediaControl& control, const std::vector<HWND>& windows);

// The mirrors go black until the next picture comes.
void ForgetMirroredPicture();

// Draws the last picture into window, stretched over its inner area; false
// when no picture has come for it yet.
bool PaintMirroredPicture(HWND window, HDC dc);

}  // namespace win32
