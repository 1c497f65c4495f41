#include "platform/win32/stop_list.h"

#include <objbase.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

// Graphs register from the threads that build them; the end may come from
// the window's thread at any moment.
struct List {
    SRWLOCK lock = SRWLOCK_INIT;
    std::map<int, ComPtr<IUnknown>> graphs;  // graphs and sessions
    int next = 0;
    bool failing = false;  // the list has been run: the error box is coming
};

// However many graphs hang in their Stop, the box comes after this long.
constexpr DWORD kStopWaitMs = 1000;

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

// 0 for a graph that comes after the list was run (a music open still in
// its build then): stopped at once on its own thread, so nothing starts to
// play behind the box.
int Add(IUnknown& entry) {
    ComPtr<IUnknown> held;
    entry.AddRef();
    held.attach(&entry);
    {
        Lock locked(TheList().lock);
        if (!TheList().failing) {
            const int id = ++TheList().next;
            TheList().graphs.emplace(id, std::move(held));
            return id;
        }
    }
    Stop(entry);
    return 0;
}

DWORD WINAPI StopOne(void* entry) {
    ComPtr<IUnknown> graph;
    graph.attach(static_cast<IUnknown*>(entry));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Stop(*graph.get());
    return 0;
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

// Each graph on a thread of its own, waited for together: one whose Stop
// never returns holds up neither the others nor the box for long. Threads
// still stopping go with the process.
void StopEveryGraph() {
    std::map<int, ComPtr<IUnknown>> graphs;
    {
        Lock locked(TheList().lock);
        TheList().failing = true;
        graphs = std::exchange(TheList().graphs, {});
    }
    std::vector<HANDLE> threads;
    for (auto& [id, graph] : graphs) {
        HANDLE thread = CreateThread(nullptr, 0, &StopOne, graph.get(), 0, nullptr);
        if (!thread) continue;  // left playing: the box matters more
        static_cast<void>(graph.detach());  // the thread's reference now
        threads.push_back(thread);
    }
    const DWORD deadline = GetTickCount() + kStopWaitMs;
    for (HANDLE thread : threads) {
        const DWORD left = deadline - GetTickCount();
        WaitForSingleObject(thread, static_cast<std::int32_t>(left) > 0 ? left : 0);
        CloseHandle(thread);
    }
}

}  // namespace win32
