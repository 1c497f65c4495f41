#pragma once
// A Media Foundation session's way from the file to the renderers: the
// topology, the wait until the session has resolved it, and the picture's
// place in the window.
#include "platform/win32/win.h"

#include <mfidl.h>

#include "platform/win32/com_ptr.h"
#include "platform/win32/video/mf_library.h"

namespace win32 {

// Each selected video and audio stream, from the source to its renderer (the
// enhanced video renderer into window); other streams are left out.
ComPtr<IMFTopology> Topology(const Mf& mf, IMFMediaSource& source, IMFPresentationDescriptor& pd, HWND window);

// Waits, on the building thread, until the session has resolved the topology
// (the renderers exist from then on); throws if it failed to.
void WaitUntilReady(IMFMediaSession& session);

// The picture stretched over the window's inner area; nothing for a file with no video.
void Stretch(const Mf& mf, IMFMediaSession& session, HWND window);

}  // namespace win32
