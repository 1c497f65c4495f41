#pragma once
// Putting a filter graph back as it was built, after filters were added to it
// for a re-wiring that failed: the primary must keep its picture.
#include <algorithm>
#include <vector>

namespace platform {

// Graph: Filters(), Remove(filter), ConnectedTo(pin) (a null pin when none),
// Disconnect(pin), ConnectDirect(out, in) with the connection's old type and
// Connect(out, in), each of the last two true on success. Every filter not
// among before goes (removing one frees its pins); the renderer's input is then
// joined to the output that fed it, directly with the type it had where it
// can be, so that no converter is added on the way back.
template <typename Graph, typename Filter, typename Pin>
void RestoreConnection(Graph& graph, const std::vector<Filter>& before, Pin upstream, Pin rendererIn) {
    for (const Filter& filter : graph.Filters())
        if (std::find(before.begin(), before.end(), filter) == before.end()) graph.Remove(filter);
    if (graph.ConnectedTo(rendererIn) == upstream) return;
    graph.Disconnect(upstream);
    graph.Disconnect(rendererIn);
    if (!graph.ConnectDirect(upstream, rendererIn)) graph.Connect(upstream, rendererIn);
}

}  // namespace platform
