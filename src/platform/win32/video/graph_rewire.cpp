#include "platform/win32/video/graph_rewire.h"

#include <algorithm>
#include <utility>

#include "platform/graph_restore.h"
#include "platform/win32/hresult.h"
#include "platform/win32/video/seeking_stand_in.h"

namespace win32 {
namespace {

// The filter's first pin of that direction; with free, the first one not
// connected (a tee makes a new output once one is taken).
ComPtr<IPin> FindPin(IBaseFilter& filter, PIN_DIRECTION wanted, bool free = false) {
    ComPtr<IEnumPins> pins;
    ThrowIfFailed(filter.EnumPins(pins.put()));
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (FAILED(pin->QueryDirection(&direction)) || direction != wanted) continue;
        ComPtr<IPin> peer;
        if (!free || FAILED(pin->ConnectedTo(peer.put()))) return pin;
    }
    ThrowIfFailed(VFW_E_NOT_FOUND);
    return {};
}

// A tee that copies each picture for its outputs from the pool its feed
// fills (the Smart Tee does) waits for ever on a pool of one: the feed holds
// it. One picture for the feed and one for each output.
void EnoughBuffers(IPin& teeIn) {
    constexpr long kBuffers = 3;
    ComPtr<IMemInputPin> input;
    ComPtr<IMemAllocator> pool;
    ALLOCATOR_PROPERTIES wanted{}, actual{};
    if (FAILED(teeIn.QueryInterface(__uuidof(IMemInputPin), input.put_void())) ||
        FAILED(input->GetAllocator(pool.put())) || FAILED(pool->GetProperties(&wanted)) || wanted.cBuffers >= kBuffers)
        return;
    wanted.cBuffers = kBuffers;
    static_cast<void>(pool->SetProperties(&wanted, &actual));
}

std::vector<ComPtr<IBaseFilter>> Filters(IGraphBuilder& graph) {
    std::vector<ComPtr<IBaseFilter>> list;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph.EnumFilters(filters.put()))) return list;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK) list.push_back(std::move(filter));
    return list;
}

// A renderer's input pin: connected, carrying the major type, on a filter
// with no output.
ComPtr<IPin> RendererInput(IGraphBuilder& graph, const GUID& major = MEDIATYPE_Video) {
    for (const ComPtr<IBaseFilter>& filter : Filters(graph)) {
        ComPtr<IEnumPins> pins;
        if (FAILED(filter->EnumPins(pins.put()))) continue;
        ComPtr<IPin> pin, input;
        bool hasOutput = false;
        while (pins->Next(1, pin.put(), nullptr) == S_OK) {
            PIN_DIRECTION direction;
            if (FAILED(pin->QueryDirection(&direction))) continue;
            if (direction == PINDIR_OUTPUT) {
                hasOutput = true;
                continue;
            }
            AM_MEDIA_TYPE type{};
            if (SUCCEEDED(pin->ConnectionMediaType(&type))) {
                const bool wanted = type.majortype == major;
                FreeMediaType(type);
                if (wanted) input = std::move(pin);
            }
        }
        if (input && !hasOutput) return input;
    }
    ThrowIfFailed(VFW_E_NOT_FOUND);
    return {};
}

}  // namespace

bool RendersMajorType(IMediaControl& control, const GUID& major) {
    try {
        ComPtr<IGraphBuilder> graph;
        ThrowIfFailed(control.QueryInterface(__uuidof(IGraphBuilder), graph.put_void()));
        return static_cast<bool>(RendererInput(*graph.get(), major));
    } catch (const platform::Error&) {
        return false;
    }
}

void FreeMediaType(AM_MEDIA_TYPE& type) {
    if (type.pbFormat) CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
    type.pbFormat = nullptr;
    type.pUnk = nullptr;
}

RendererConnection::RendererConnection(IGraphBuilder& graph) : graph_(graph) {
    rendererIn_ = RendererInput(graph);
    ThrowIfFailed(rendererIn_->ConnectedTo(upstream_.put()));
    ThrowIfFailed(rendererIn_->ConnectionMediaType(&type_));
    before_ = Filters(graph);
}

RendererConnection::~RendererConnection() { FreeMediaType(type_); }

HRESULT RendererConnection::Branch(IBaseFilter& tee, IBaseFilter& grabber, IBaseFilter& sink) {
    if (const HRESULT hr = graph_.AddFilter(&tee, L"Mirror tee"); FAILED(hr)) return hr;
    if (const HRESULT hr = graph_.AddFilter(&grabber, L"Mirror grabber"); FAILED(hr)) return hr;
    if (const HRESULT hr = graph_.AddFilter(&sink, L"Mirror sink"); FAILED(hr)) return hr;
    if (const HRESULT hr = graph_.Disconnect(upstream_.get()); FAILED(hr)) return hr;
    if (const HRESULT hr = graph_.Disconnect(rendererIn_.get()); FAILED(hr)) return hr;
    try {
        // The renderer's output first: a tee hands each sample to its outputs
        // in turn, so the branch gets a picture once the renderer has shown it.
        const ComPtr<IPin> teeIn = FindPin(tee, PINDIR_INPUT);
        if (const HRESULT hr = graph_.ConnectDirect(upstream_.get(), teeIn.get(), &type_); FAILED(hr)) return hr;
        EnoughBuffers(*teeIn.get());
        if (const HRESULT hr = graph_.ConnectDirect(FindPin(tee, PINDIR_OUTPUT, true).get(), rendererIn_.get(), &type_);
            FAILED(hr))
            return hr;
        if (const HRESULT hr = graph_.Connect(FindPin(tee, PINDIR_OUTPUT, true).get(), FindPin(grabber, PINDIR_INPUT).get());
            FAILED(hr))
            return hr;
        return graph_.Connect(FindPin(grabber, PINDIR_OUTPUT).get(), FindPin(sink, PINDIR_INPUT).get());
    } catch (const platform::Error&) {
        return VFW_E_NOT_FOUND;
    }
}

HRESULT RendererConnection::AnswerPositionsFromFeed() {
    const ComPtr<IBaseFilter> standIn = SeekingStandIn(*upstream_.get());
    return standIn ? graph_.AddFilter(standIn.get(), L"Mirror positions") : E_NOINTERFACE;
}

namespace {

// The graph as RestoreConnection sees it: filters and pins by their pointers.
class RestoredGraph {
public:
    RestoredGraph(IGraphBuilder& graph, const AM_MEDIA_TYPE& type) : graph_(graph), type_(type) {}
    std::vector<IBaseFilter*> Filters() {
        held_ = win32::Filters(graph_);
        std::vector<IBaseFilter*> filters;
        for (const ComPtr<IBaseFilter>& filter : held_) filters.push_back(filter.get());
        return filters;
    }
    void Remove(IBaseFilter* filter) { static_cast<void>(graph_.RemoveFilter(filter)); }
    IPin* ConnectedTo(IPin* pin) {
        ComPtr<IPin> peer;
        return SUCCEEDED(pin->ConnectedTo(peer.put())) ? peer.get() : nullptr;  // compared only
    }
    void Disconnect(IPin* pin) { static_cast<void>(graph_.Disconnect(pin)); }
    bool ConnectDirect(IPin* out, IPin* in) { return SUCCEEDED(graph_.ConnectDirect(out, in, &type_)); }
    bool Connect(IPin* out, IPin* in) { return SUCCEEDED(graph_.Connect(out, in)); }

private:
    IGraphBuilder& graph_;
    const AM_MEDIA_TYPE& type_;
    std::vector<ComPtr<IBaseFilter>> held_;  // alive while their pointers are looked at
};

}  // namespace

void RendererConnection::Restore() {
    std::vector<IBaseFilter*> before;
    for (const ComPtr<IBaseFilter>& filter : before_) before.push_back(filter.get());
    RestoredGraph graph(graph_, type_);
    platform::RestoreConnection(graph, before, upstream_.get(), rendererIn_.get());
}

}  // namespace win32
