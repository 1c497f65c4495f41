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
    std::map<int, ComPtr<IUnknown>> graphs;  // graphs and sessions
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

void Stop(IUnknown& entry) {
    ComPtr<IMediaControl> graph;
    ComPtr<IMFMediaSession> session;
    if (SUCCEEDED(entry.QueryInterface(__uuidof(IMediaControl), graph.put_void()))) {
        Dismantle(*graph.get());
    } else if (SUCCEEDED(entry.QueryInterface(__uuidof(IMFMediaSession), session.put_void()))) {
        session->Stop();
    }
}

int Add(IUnknown& entry) {
    ComPtr<IUnknown> held;
    entry.AddRef();
    held.attach(&entry);
    Lock locked(TheList().lock);
    const int id = ++TheList().next;
    TheList().graphs.emplace(id, std::move(held));
    return id;
}

}  // namespace

StopOnFailure::StopOnFailure(IMediaControl& graph) : id_(Add(graph)) {}

StopOnFailure::StopOnFailure(IMFMediaSession& session) : id_(Add(session)) {}

StopOnFailure::~StopOnFailure() {
    if (!id_) return;
    ComPtr<IUnknown> held;  // released outside the lock
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
    std::map<int, ComPtr<IUnknown>> graphs;
    {
        Lock locked(TheList().lock);
        graphs = std::exchange(TheList().graphs, {});
    }
    for (auto& [id, graph] : graphs) Stop(*graph.get());
}

}  // namespace win32
