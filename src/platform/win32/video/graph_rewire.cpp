#include "platform/win32/video/graph_rewire.h"

#include <algorithm>
#include <utility>

#include "platform/graph_restore.h"
#include "platform/win32/hresult.h"

namespace win32 {
namespace {

ComPtr<IPin> FindPin(IBaseFilter& filter, PIN_DIRECTION wanted) {
    ComPtr<IEnumPins> pins;
    ThrowIfFailed(filter.EnumPins(pins.put()));
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) return pin;
    }
    ThrowIfFailed(VFW_E_NOT_FOUND);
    return {};
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

HRESULT RendererConnection::InsertBefore(IBaseFilter& filter) {
    if (const HRESULT hr = graph_.AddFilter(&filter, L"Mirror"); FAILED(hr)) return hr;
    if (const HRESULT hr = graph_.Disconnect(upstream_.get()); FAILED(hr)) return hr;
    if (const HRESULT hr = graph_.Disconnect(rendererIn_.get()); FAILED(hr)) return hr;
    try {
        if (const HRESULT hr = graph_.Connect(upstream_.get(), FindPin(filter, PINDIR_INPUT).get()); FAILED(hr))
            return hr;
        return graph_.Connect(FindPin(filter, PINDIR_OUTPUT).get(), rendererIn_.get());
    } catch (const platform::Error&) {
        return VFW_E_NOT_FOUND;
    }
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
