#pragma once
// The video graph on DirectShow's filter graph manager: each wrapper holds one
// reference to the graph through the interface it stands for.
#include <memory>

#include "platform/media_graph.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/dshow_uuids.h"

namespace win32 {

// Takes every notification the graph has queued, without waiting for more,
// and hands each one's code to seen.
template <typename Seen>
void TakeEvents(IMediaEventEx& events, Seen seen) {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (events.GetEvent(&code, &param1, &param2, 0) == S_OK) {
        static_cast<void>(events.FreeEventParams(code, param1, param2));
        seen(code);
    }
}

// The graph's notifications, for the window's wait to wake on. The handle is
// the graph's own: set while notifications are queued.
class GraphEvents final : public platform::MediaEvent {
public:
    explicit GraphEvents(ComPtr<IMediaEventEx> events);
    // Null when the graph gave none: nothing to wake on.
    std::intptr_t Handle() override { return reinterpret_cast<std::intptr_t>(handle_); }
    void TakeNews() override;
    bool Broken() override;

private:
    ComPtr<IMediaEventEx> events_;
    HANDLE handle_ = nullptr;  // the graph's; never ours to close
    bool broken_ = false;
};

class DirectShowGraphs final : public platform::MediaGraphs {
public:
    std::unique_ptr<platform::MediaControl> CreateFilgraphManager() override;
};

// Wine never finishes the next Stop of a graph seeked while it runs, so a
// running graph is stopped for the seek; whoever seeks runs it again.
void SeekStopped(IMediaControl& control, IMediaPosition& position, double seconds);

}  // namespace win32
