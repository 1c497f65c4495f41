#include "platform/win32/video/seeking_stand_in.h"

#include <string>

#include "platform/win32/com_object.h"

namespace win32 {
namespace {

class NoPins final : public ComObject<IEnumPins> {
public:
    STDMETHODIMP Next(ULONG, IPin** pins, ULONG* fetched) override {
        if (pins) *pins = nullptr;
        if (fetched) *fetched = 0;
        return S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { return S_FALSE; }
    STDMETHODIMP Reset() override { return S_OK; }
    STDMETHODIMP Clone(IEnumPins** copy) override {
        *copy = new NoPins;
        return S_OK;
    }
};

class StandIn final : public ComObject<IBaseFilter>, public IMediaSeeking, public IAMFilterMiscFlags {
public:
    explicit StandIn(ComPtr<IMediaSeeking> feed) : feed_(std::move(feed)) {}

    // IUnknown, once for all three.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IMediaSeeking)) {
            *object = static_cast<IMediaSeeking*>(this);
        } else if (iid == __uuidof(IAMFilterMiscFlags)) {
            *object = static_cast<IAMFilterMiscFlags*>(this);
        } else if (iid == __uuidof(IMediaFilter) || iid == __uuidof(IPersist)) {
            *object = static_cast<IBaseFilter*>(this);
        } else {
            return ComObject<IBaseFilter>::QueryInterface(iid, object);
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ComObject<IBaseFilter>::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return ComObject<IBaseFilter>::Release(); }

    // IBaseFilter: nothing streams through it.
    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = GUID_NULL;
        return S_OK;
    }
    STDMETHODIMP Stop() override { return Become(State_Stopped); }
    STDMETHODIMP Pause() override { return Become(State_Paused); }
    STDMETHODIMP Run(REFERENCE_TIME) override { return Become(State_Running); }
    STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
        *state = state_;
        return S_OK;
    }
    STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
        *clock = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumPins(IEnumPins** pins) override {
        *pins = new NoPins;
        return S_OK;
    }
    STDMETHODIMP FindPin(LPCWSTR, IPin** pin) override {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
        const std::size_t length = name_.copy(info->achName, MAX_FILTER_NAME - 1);
        info->achName[length] = L'\0';
        info->pGraph = graph_;
        if (graph_) graph_->AddRef();
        return S_OK;
    }
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
        graph_ = graph;  // the graph holds us, not the other way round
        name_ = name ? name : L"";
        return S_OK;
    }
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override { return 0; }

    // IMediaSeeking: the feed's.
    STDMETHODIMP GetCapabilities(DWORD* c) override { return feed_->GetCapabilities(c); }
    STDMETHODIMP CheckCapabilities(DWORD* c) override { return feed_->CheckCapabilities(c); }
    STDMETHODIMP IsFormatSupported(const GUID* f) override { return feed_->IsFormatSupported(f); }
    STDMETHODIMP QueryPreferredFormat(GUID* f) override { return feed_->QueryPreferredFormat(f); }
    STDMETHODIMP GetTimeFormat(GUID* f) override { return feed_->GetTimeFormat(f); }
    STDMETHODIMP IsUsingTimeFormat(const GUID* f) override { return feed_->IsUsingTimeFormat(f); }
    STDMETHODIMP SetTimeFormat(const GUID* f) override { return feed_->SetTimeFormat(f); }
    STDMETHODIMP GetDuration(LONGLONG* d) override { return feed_->GetDuration(d); }
    STDMETHODIMP GetStopPosition(LONGLONG* s) override { return feed_->GetStopPosition(s); }
    STDMETHODIMP GetCurrentPosition(LONGLONG* c) override { return feed_->GetCurrentPosition(c); }
    STDMETHODIMP ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) override {
        return feed_->ConvertTimeFormat(t, tf, s, sf);
    }
    STDMETHODIMP SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) override {
        return feed_->SetPositions(c, cf, s, sf);
    }
    STDMETHODIMP GetPositions(LONGLONG* c, LONGLONG* s) override { return feed_->GetPositions(c, s); }
    STDMETHODIMP GetAvailable(LONGLONG* e, LONGLONG* l) override { return feed_->GetAvailable(e, l); }
    STDMETHODIMP SetRate(double r) override { return feed_->SetRate(r); }
    STDMETHODIMP GetRate(double* r) override { return feed_->GetRate(r); }
    STDMETHODIMP GetPreroll(LONGLONG* p) override { return feed_->GetPreroll(p); }

private:
    HRESULT Become(FILTER_STATE state) {
        state_ = state;
        return S_OK;
    }

    const ComPtr<IMediaSeeking> feed_;
    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr;
    std::wstring name_;
};

}  // namespace

ComPtr<IBaseFilter> SeekingStandIn(IPin& feed) {
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IBaseFilter> filter;
    if (FAILED(feed.QueryInterface(__uuidof(IMediaSeeking), seeking.put_void()))) return filter;
    auto* standIn = new StandIn(std::move(seeking));
    static_cast<void>(standIn->QueryInterface(__uuidof(IBaseFilter), filter.put_void()));
    standIn->Release();
    return filter;
}

}  // namespace win32
