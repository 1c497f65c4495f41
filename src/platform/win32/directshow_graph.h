#pragma once
// The video graph on DirectShow's filter graph manager: each wrapper holds one
// reference to the graph through the interface it stands for.
#include <memory>

#include "platform/media_graph.h"
#include "platform/win32/dshow_uuids.h"

namespace win32 {

class DirectShowGraphs final : public platform::MediaGraphs {
public:
    std::unique_ptr<platform::MediaControl> CreateFilgraphManager() override;
};

// On the way out: stopped and emptied, the graph's decoders end their threads
// before the process goes, whoever still holds the graph itself.
void Dismantle(IMediaControl& control);

}  // namespace win32
