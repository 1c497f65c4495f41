#include "platform/win32/video/directshow_graph.h"

#include "platform/win32/dshow_uuids.h"

#include <utility>

#include "platform/win32/bstr.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/video/graph_rewire.h"
#include "platform/win32/hresult.h"
#include "platform/win32/stop_list.h"
#include "platform/win32/threads.h"
#include "platform/win32/video/mirror_painter.h"
#include "platform/win32/video/video_mirror.h"

namespace win32 {
namespace {

class GraphAudio final : public platform::BasicAudio {
public:
    explicit GraphAudio(ComPtr<IBasicAudio> audio) : audio_(std::move(audio)) {}
    void put_Volume(std::int32_t hundredthsOfDb) override { ThrowIfFailed(audio_->put_Volume(hundredthsOfDb)); }
    void put_Balance(std::int32_t balance) override { ThrowIfFailed(audio_->put_Balance(balance)); }

private:
    ComPtr<IBasicAudio> audio_;
};

class GraphWindow final : public platform::VideoWindow {
public:
    explicit GraphWindow(ComPtr<IVideoWindow> window) : window_(std::move(window)) {}
    void put_WindowStyle(std::int32_t style) override { ThrowIfFailed(window_->put_WindowStyle(style)); }
    void put_Top(std::int32_t top) override { ThrowIfFailed(window_->put_Top(top)); }
    void put_Left(std::int32_t left) override { ThrowIfFailed(window_->put_Left(left)); }
    void put_Width(std::int32_t width) override { ThrowIfFailed(window_->put_Width(width)); }
    void put_Height(std::int32_t height) override { ThrowIfFailed(window_->put_Height(height)); }
    void put_Owner(std::intptr_t owner) override { ThrowIfFailed(window_->put_Owner(owner)); }
    void put_FullScreenMode(std::int32_t mode) override { ThrowIfFailed(window_->put_FullScreenMode(mode)); }
    void put_MessageDrain(std::intptr_t drain) override { ThrowIfFailed(window_->put_MessageDrain(drain)); }
    void put_Visible(std::int32_t visible) override { ThrowIfFailed(window_->put_Visible(visible)); }

private:
    ComPtr<IVideoWindow> window_;
};

class GraphPosition final : public platform::MediaPosition {
public:
    explicit GraphPosition(ComPtr<IMediaPosition> position) : position_(std::move(position)) {}
    void put_Rate(double rate) override { ThrowIfFailed(position_->put_Rate(rate)); }
    double get_CurrentPosition() override {
        REFTIME seconds = 0;
        ThrowIfFailed(position_->get_CurrentPosition(&seconds));
        return seconds;
    }
    double get_Duration() override {
        REFTIME seconds = 0;
        ThrowIfFailed(position_->get_Duration(&seconds));
        return seconds;
    }
    // The caller's Run starts the graph again.
    void put_CurrentPosition(double seconds) override {
        SeekStopped(*position_.query<IMediaControl>().get(), *position_.get(), seconds);
    }

private:
    ComPtr<IMediaPosition> position_;
};

}  // namespace

GraphEvents::GraphEvents(ComPtr<IMediaEventEx> events) : events_(std::move(events)) {
    OAEVENT handle = 0;
    if (SUCCEEDED(events_->GetEventHandle(&handle))) handle_ = reinterpret_cast<HANDLE>(handle);
}

void GraphEvents::TakeNews() {
    TakeEvents(*events_.get(), [this](long code) {
        if (code == EC_ERRORABORT || code == EC_ERRORABORTEX || code == EC_DEVICE_LOST) broken_ = true;
    });
}

// Looked at once a pass: taking what is queued costs no wait.
bool GraphEvents::Broken() {
    TakeNews();
    return broken_;
}

void SeekStopped(IMediaControl& control, IMediaPosition& position, double seconds) {
    OAFilterState state = State_Stopped;
    if (SUCCEEDED(control.GetState(0, &state)) && state == State_Running) ThrowIfFailed(control.Stop());
    ThrowIfFailed(position.put_CurrentPosition(seconds));
}

namespace {

class GraphControl final : public platform::MediaControl {
public:
    explicit GraphControl(ComPtr<IMediaControl> control) : control_(std::move(control)) {}
    // The result code is not read: Windows and Wine give different ones for
    // the same graph, and the connected pins say what will play.
    // Only a graph that was built has decoders to stop before an error box;
    // one whose build never returns holds its own lock, and a Stop would wait
    // on it.
    platform::Rendered RenderFile(const std::wstring& filename) override {
        const Bstr name(filename);
        static_cast<void>(control_->RenderFile(name.get()));
        stop_ = StopOnFailure(*control_.get());
        return {RendersMajorType(*control_.get(), MEDIATYPE_Video), RendersMajorType(*control_.get(), MEDIATYPE_Audio)};
    }
    void Run() override { ThrowIfFailed(control_->Run()); }
    // Off the list first: a Stop that hangs here must not hang the error box's too.
    void Stop() override {
        stop_ = StopOnFailure();
#ifdef TREVLIN_STUCK_STOP
        Sleep(INFINITE);  // the Wine tests' build only: a driver whose Stop never returns
#endif
        ThrowIfFailed(control_->Stop());
    }
    std::unique_ptr<platform::BasicAudio> QueryBasicAudio() override {
        return std::make_unique<GraphAudio>(control_.query<IBasicAudio>());
    }
    std::unique_ptr<platform::VideoWindow> QueryVideoWindow() override {
        return std::make_unique<GraphWindow>(control_.query<IVideoWindow>());
    }
    std::unique_ptr<platform::MediaPosition> QueryMediaPosition() override {
        return std::make_unique<GraphPosition>(control_.query<IMediaPosition>());
    }
    void MirrorVideoTo(const std::vector<platform::VideoTarget>& windows) override {
        // Made once, before the graph first runs; later calls change the windows.
        if (mirror_) {
            mirror_->SetTargets(windows);
            for (const platform::VideoTarget& window : windows)
                AttachMirror(reinterpret_cast<HWND>(window.window), mirror_);
            return;
        }
        // A running graph cannot be re-wired: covers that come before the
        // next build stay black.
        OAFilterState state = State_Stopped;
        if (FAILED(control_->GetState(0, &state)) || state != State_Stopped) return;
        mirror_ = MirrorVideo(*control_.get(), windows);
    }
    void ShowPart(const platform::Part& part) override { win32::ShowPart(*control_.get(), part); }
    std::unique_ptr<platform::MediaEvent> QueryMediaEvent() override {
        return std::make_unique<GraphEvents>(control_.query<IMediaEventEx>());
    }

private:
    ComPtr<IMediaControl> control_;
    StopOnFailure stop_;
    std::shared_ptr<MirrorPainter> mirror_;
};

}  // namespace

std::unique_ptr<platform::MediaControl> DirectShowGraphs::CreateFilgraphManager() {
    UseCom();
    ComPtr<IMediaControl> control;
    ThrowIfFailed(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IMediaControl),
                                   control.put_void()));
    return std::make_unique<GraphControl>(std::move(control));
}

}  // namespace win32
