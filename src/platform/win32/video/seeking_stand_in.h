#pragma once
// A filter without pins that answers the graph's position calls for a stream
// whose renderer can no longer pass them upstream (a tee in between that does
// not): it hands each call to the output that feeds the tee.
#include "platform/win32/dshow_uuids.h"

#include "platform/win32/com_ptr.h"

namespace win32 {

// A new stand-in asking feed (an output pin that answers IMediaSeeking); null
// where feed does not answer. Not a renderer: the graph's end of stream is
// still its renderers' alone.
ComPtr<IBaseFilter> SeekingStandIn(IPin& feed);

}  // namespace win32
