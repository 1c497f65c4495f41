#pragma once
// The session's pictures for more than one window: a sample grabber sink in
// place of the enhanced video renderer takes each decoded picture, as 32-bit
// RGB, at its moment on the presentation clock, and the painter draws it into
// Form1 and the covers alike. One decode, every monitor in step.
#include "platform/win32/win.h"

#include <mfidl.h>

#include <memory>

#include "platform/win32/com_ptr.h"
#include "platform/win32/video/mf_library.h"
#include "platform/win32/video/mirror_painter.h"

namespace win32 {

// The sink for the video stream whose type handler is given, handing every
// picture to painter. Throws platform::Error.
ComPtr<IMFActivate> GrabberSink(const Mf& mf, IMFMediaTypeHandler& stream, std::shared_ptr<MirrorPainter> painter);

}  // namespace win32
