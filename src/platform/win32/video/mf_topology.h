#pragma once
// A Media Foundation session's way from the file to the renderers: the
// topology, the wait until the session has resolved it, and the picture's
// place in the window.
#include "platform/win32/win.h"

#include <evr.h>
#include <mfidl.h>

#include <functional>

#include "platform/win32/com_ptr.h"
#include "platform/win32/video/mf_library.h"

namespace win32 {

// Each selected video and audio stream, from the source to its renderer (for
// the video, the sink that videoSink makes for the stream); other streams, and
// the audio ones where sound is false, are left out.
using VideoSink = std::function<ComPtr<IMFActivate>(IMFMediaTypeHandler& stream)>;
ComPtr<IMFTopology> Topology(const Mf& mf, IMFMediaSource& source, IMFPresentationDescriptor& pd,
                             const VideoSink& videoSink, bool sound);

// Waits, on the building thread, until the session has resolved the topology
// (the renderers exist from then on); throws if it failed to.
void WaitUntilReady(IMFMediaSession& session);

// The enhanced video renderer's controls; null for a file with no video.
ComPtr<IMFVideoDisplayControl> Display(const Mf& mf, IMFMediaSession& session);

}  // namespace win32
