#pragma once
// The graphs to stop before a run-time error is shown, so that nothing plays
// on while the message box waits. (A graph still running at ExitProcess takes
// Wine's decoder threads down with a crash; EndProcess does not go that way.)
#include "platform/win32/dshow_uuids.h"
#include <mfidl.h>

#include "platform/win32/com_ptr.h"

namespace win32 {

// A graph's place on the list, for as long as this lives. The list holds a
// reference of its own: a graph released on another thread while the list is
// being run stays whole until the list is done with it. Made and dropped on
// any thread. Whoever stops a graph drops its place first: a Stop that never
// returns is then not met again by the list's.
class StopOnFailure {
public:
    StopOnFailure() = default;
    explicit StopOnFailure(IMediaControl& graph);
    explicit StopOnFailure(IMFMediaSession& session);  // the video's other path
    ~StopOnFailure();
    StopOnFailure(StopOnFailure&& other) noexcept;
    StopOnFailure& operator=(StopOnFailure&& other) noexcept;

private:
    int id_ = 0;
};

// Stops and empties every graph on the list, and stops every session: their decoders end their
// threads, whoever still holds the graphs themselves. Waits a second at most in all; a graph
// registered from then on is stopped as it registers.
void StopEveryGraph();

}  // namespace win32
