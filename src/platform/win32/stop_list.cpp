#include "platform/win32/stop_list.h"

#include <map>
#include <utility>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

// Graphs register from the threads that build them; the end may come from
// the window's thread at any moment.
struct List {
    SRWLOCK lock = SRWLOCK_INIT;
    std::map<int, ComPtr<IMediaControl>> graphs;
    int next = 0;
};

List& TheList() {
    static List list;
    return list;
}

void Dismantle(IMediaControl& control) {
    control.Stop();
    ComPtr<IFilterGraph> graph;
    if (FAILED(control.QueryInterface(__uuidof(IFilterGraph), graph.put_void()))) return;
    for (;;) {
        ComPtr<IEnumFilters> filters;
        ComPtr<IBaseFilter> filter;
        if (FAILED(graph->EnumFilters(filters.put())) || filters->Next(1, filter.put(), nullptr) != S_OK) return;
        if (FAILED(graph->RemoveFilter(filter.get()))) return;
    }
}

}  // namespace

StopOnFailure::StopOnFailure(IMediaControl& graph) {
    ComPtr<IMediaControl> held;
    graph.AddRef();
    held.attach(&graph);
    Lock locked(TheList().lock);
    id_ = ++TheList().next;
    TheList().graphs.emplace(id_, std::move(held));
}

StopOnFailure::~StopOnFailure() {
    if (!id_) return;
    ComPtr<IMediaControl> held;  // released outside the lock
    Lock locked(TheList().lock);
    auto entry = TheList().graphs.find(id_);
    if (entry == TheList().graphs.end()) return;
    held = std::move(entry->second);
    TheList().graphs.erase(entry);
}

StopOnFailure::StopOnFailure(StopOnFailure&& other) noexcept : id_(std::exchange(other.id_, 0)) {}

StopOnFailure& StopOnFailure::operator=(StopOnFailure&& other) noexcept {
    if (this != &other) {
        StopOnFailure old(std::move(*this));
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void StopEveryGraph() {
    std::map<int, ComPtr<IMediaControl>> graphs;
    {
        Lock locked(TheList().lock);
        graphs = std::exchange(TheList().graphs, {});
    }
    for (auto& [id, graph] : graphs) Dismantle(*graph.get());
}

}  // namespace win32
