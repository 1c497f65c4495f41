#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace fakes {
namespace {

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// A window's handle, followed by its part of the picture where that is not all of it.
std::string Target(const platform::VideoTarget& target) {
    const platform::Part& p = target.part;
    std::string text = target.window ? std::to_string(target.window) : "";
    if (p == platform::Part{}) return text;
    return text + "[" + Num(p.left) + " " + Num(p.top) + " " + Num(p.right) + " " + Num(p.bottom) + "]";
}

}  // namespace

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    return out;
}

void CallLog::Call(const std::string& name, const std::string& args) {
    calls.push_back(name + "(" + args + ")");
    if (failing.count(name)) throw platform::Error{-2147467259, L"Unspecified error"};
}

std::vector<std::string> CallLog::Named(const std::string& prefix) const {
    std::vector<std::string> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return out;
}

void FakeProcess::End() {
    log_.Call("End");
    throw ProgramEnded{};
}

void FakeProcess::ShowError(std::int32_t number, const std::wstring& description) {
    log_.Call("ShowError", std::to_string(number) + "," + Narrow(description));
}

std::size_t FakeProfile::GetString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                                   wchar_t* buffer, std::size_t size, const std::wstring& file) {
    log_.Call("Profile.GetString", Narrow(section + L"," + key + L"," + def + L"," + file) + "," +
                                       std::to_string(size));
    std::wstring value = def;
    auto f = files.find(file);
    if (f != files.end()) {
        auto v = f->second.find(section + L"/" + key);
        if (v != f->second.end()) value = v->second;
    }
    const std::size_t n = size ? std::min(value.size(), size - 1) : 0;
    std::copy_n(value.begin(), n, buffer);
    if (size) buffer[n] = L'\0';
    return n;
}

bool FakeProfile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                              const std::wstring& file) {
    log_.Call("Profile.WriteString", Narrow(section + L"," + key + L"," + value + L"," + file));
    if (writesFail || readOnly.count(file)) return false;
    files[file][section + L"/" + key] = value;
    return true;
}

void FakeWindow::Create(platform::FormEvents& formEvents) {
    log_.Call("Window.Create");
    events = &formEvents;
}

void FakeWindow::SetWidth(int width) {
    log_.Call("Window.SetWidth", std::to_string(width));
    clientWidth = width;
}

void FakeWindow::SetHeight(int height) {
    log_.Call("Window.SetHeight", std::to_string(height));
    clientHeight = height;
}

namespace {
const char* ControlName(platform::Control control) {
    static const char* names[] = {"CmdOK", "CmdCancel", "Check1", "Mp3", "Label4",
                                  "Label2", "Label3", "Label1", "Image1", "Label5"};
    return names[static_cast<int>(control)];
}
}  // namespace

void FakeWindow::ShowControl(platform::Control control) { log_.Call("Window.ShowControl", ControlName(control)); }

void FakeWindow::HideControl(platform::Control control) { log_.Call("Window.HideControl", ControlName(control)); }

void FakeWindow::SetCheckState(std::int16_t state) {
    log_.Call("Window.SetCheckState", std::to_string(state));
    check = state;
}

void FakeWindow::ShowMessage(const std::wstring& text) {
    log_.Call("Window.ShowMessage");
    lastMessage = text;
}

void FakeWindow::DoEvents() {
    log_.Call("Window.DoEvents");
    if (script.empty()) return;
    auto next = std::move(script.front());
    script.pop_front();
    next();
}

void FakeWindow::WaitForInput(int milliseconds, platform::WakeUp* also) {
    const bool graph = dynamic_cast<platform::MediaEvent*>(also) != nullptr;
    const bool session = dynamic_cast<platform::MediaSession*>(also) != nullptr;
    waited.push_back(milliseconds);
    log_.Call("Window.WaitForInput", std::to_string(milliseconds) + (graph     ? ",MediaEvent"
                                                                     : session ? ",MediaSession"
                                                                     : also    ? ",WakeUp"
                                                                               : ""));
}

bool FakeWindowApi::IsWindow(std::intptr_t window) {
    log_.Call("IsWindow", std::to_string(window));
    return hostExists;
}

void FakeWindowApi::GetClientRect(std::intptr_t window, platform::Rect& rect) {
    log_.Call("GetClientRect", std::to_string(window));
    rect = hostClient;
}

std::int32_t FakeWindowApi::GetWindowLong(std::intptr_t window, int index) {
    log_.Call("GetWindowLong", std::to_string(window) + "," + std::to_string(index));
    return style;
}

std::int32_t FakeWindowApi::SetWindowLong(std::intptr_t window, int index, std::int32_t value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
    log_.Call("SetWindowLong", std::to_string(window) + "," + std::to_string(index) + "," +
                                   (index == -16 ? std::string(hex) : std::to_string(value)));
    return 0;
}

void FakeWindowApi::SetParent(std::intptr_t window, std::intptr_t parent) {
    log_.Call("SetParent", std::to_string(window) + "," + std::to_string(parent));
}

void FakeWindowApi::SetWindowPos(std::intptr_t window, std::intptr_t insertAfter, int x, int y, int width,
                                 int height, std::uint32_t flags) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", flags);
    log_.Call("SetWindowPos", std::to_string(window) + "," + std::to_string(insertAfter) + "," + std::to_string(x) +
                                  "," + std::to_string(y) + "," + std::to_string(width) + "," +
                                  std::to_string(height) + "," + hex);
}

int FakeCursor::ShowCursor(bool show) {
    log_.Call("ShowCursor", show ? "TRUE" : "FALSE");
    return count += show ? 1 : -1;
}

void FakeShell::Open(std::intptr_t window, const std::wstring& address) {
    log_.Call("Shell.Open", std::to_string(window) + "," + Narrow(address));
}

namespace {

// One reference to the graph, held from construction to release.
class GraphReference {
public:
    explicit GraphReference(GraphOutcome& graph) : graph_(graph) { ++graph_.held; }
    ~GraphReference() { --graph_.held; }
    GraphReference(const GraphReference&) = delete;
    GraphReference& operator=(const GraphReference&) = delete;

protected:
    GraphOutcome& graph_;
};

class FakeBasicAudio final : public platform::BasicAudio, GraphReference {
public:
    FakeBasicAudio(CallLog& log, GraphOutcome& graph) : GraphReference(graph), log_(log) {}
    ~FakeBasicAudio() override { log_.calls.push_back("BasicAudio.Release()"); }
    void put_Volume(std::int32_t v) override {
        log_.Call("BasicAudio.put_Volume", std::to_string(v));
        graph_.volume = v;
    }
    void put_Balance(std::int32_t b) override { log_.Call("BasicAudio.put_Balance", std::to_string(b)); }

private:
    CallLog& log_;
};

class FakeVideoWindow final : public platform::VideoWindow, GraphReference {
public:
    FakeVideoWindow(CallLog& log, GraphOutcome& graph) : GraphReference(graph), log_(log) { graph_.visible = true; }
    ~FakeVideoWindow() override { log_.calls.push_back("VideoWindow.Release()"); }
    void put_WindowStyle(std::int32_t s) override {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(s));
        log_.Call("VideoWindow.put_WindowStyle", hex);
    }
    void put_Top(std::int32_t v) override { log_.Call("VideoWindow.put_Top", std::to_string(v)); }
    void put_Left(std::int32_t v) override { log_.Call("VideoWindow.put_Left", std::to_string(v)); }
    void put_Width(std::int32_t v) override { log_.Call("VideoWindow.put_Width", std::to_string(v)); }
    void put_Height(std::int32_t v) override { log_.Call("VideoWindow.put_Height", std::to_string(v)); }
    void put_Owner(std::intptr_t v) override { log_.Call("VideoWindow.put_Owner", std::to_string(v)); }
    void put_FullScreenMode(std::int32_t v) override {
        log_.Call("VideoWindow.put_FullScreenMode", std::to_string(v));
    }
    void put_MessageDrain(std::intptr_t v) override { log_.Call("VideoWindow.put_MessageDrain", std::to_string(v)); }
    void put_Visible(std::int32_t v) override {
        log_.Call("VideoWindow.put_Visible", std::to_string(v));
        graph_.visible = v != 0;
    }

private:
    CallLog& log_;
};

class FakeMediaPosition final : public platform::MediaPosition, GraphReference {
public:
    FakeMediaPosition(CallLog& log, GraphState& state, GraphOutcome& graph)
        : GraphReference(graph), log_(log), state_(state) {}
    ~FakeMediaPosition() override { log_.calls.push_back("MediaPosition.Release()"); }
    void put_Rate(double r) override { log_.Call("MediaPosition.put_Rate", Num(r)); }
    double get_CurrentPosition() override {
        log_.Call("MediaPosition.get_CurrentPosition");
        return state_.position;
    }
    double get_Duration() override {
        log_.Call("MediaPosition.get_Duration");
        return state_.duration;
    }
    void put_CurrentPosition(double s) override {
        log_.Call("MediaPosition.put_CurrentPosition", Num(s));
        state_.position = s;
    }

private:
    CallLog& log_;
    GraphState& state_;
};

class FakeMediaEvent final : public platform::MediaEvent, GraphReference {
public:
    FakeMediaEvent(CallLog& log, GraphState& state, GraphOutcome& graph)
        : GraphReference(graph), log_(log), state_(state) {}
    ~FakeMediaEvent() override { log_.calls.push_back("MediaEvent.Release()"); }
    std::intptr_t Handle() override { return 0; }
    void TakeNews() override { log_.Call("MediaEvent.TakeNews"); }
    bool Broken() override { return state_.broken; }

private:
    CallLog& log_;
    GraphState& state_;
};

class FakeMediaControl final : public platform::MediaControl, GraphReference {
public:
    FakeMediaControl(CallLog& log, GraphState& state, GraphOutcome& graph)
        : GraphReference(graph), log_(log), state_(state) {}
    ~FakeMediaControl() override { log_.calls.push_back("MediaControl.Release()"); }
    platform::Rendered RenderFile(const std::wstring& f) override {
        log_.Call("MediaControl.RenderFile", Narrow(f));
        return state_.rendered;
    }
    void Run() override { log_.Call("MediaControl.Run"); graph_.running = true; }
    void Stop() override { log_.Call("MediaControl.Stop"); graph_.running = false; }
    std::unique_ptr<platform::BasicAudio> QueryBasicAudio() override {
        log_.Call("MediaControl.QueryBasicAudio");
        return std::make_unique<FakeBasicAudio>(log_, graph_);
    }
    std::unique_ptr<platform::VideoWindow> QueryVideoWindow() override {
        log_.Call("MediaControl.QueryVideoWindow");
        return std::make_unique<FakeVideoWindow>(log_, graph_);
    }
    std::unique_ptr<platform::MediaPosition> QueryMediaPosition() override {
        log_.Call("MediaControl.QueryMediaPosition");
        return std::make_unique<FakeMediaPosition>(log_, state_, graph_);
    }
    void MirrorVideoTo(const std::vector<platform::VideoTarget>& windows) override {
        std::string handles;
        for (const platform::VideoTarget& w : windows) handles += (handles.empty() ? "" : ",") + Target(w);
        log_.Call("MediaControl.MirrorVideoTo", handles);
    }
    void ShowPart(const platform::Part& part) override { log_.Call("MediaControl.ShowPart", Target({0, part})); }
    std::unique_ptr<platform::MediaEvent> QueryMediaEvent() override {
        log_.Call("MediaControl.QueryMediaEvent");
        return std::make_unique<FakeMediaEvent>(log_, state_, graph_);
    }

private:
    CallLog& log_;
    GraphState& state_;
};

class FakeSession final : public platform::MediaSession {
public:
    FakeSession(CallLog& log, SessionState& state, SessionOutcome& session)
        : log_(log), state_(state), session_(session) {
        ++session_.open;
    }
    ~FakeSession() override {
        log_.calls.push_back("Session.Release()");
        --session_.open;
        session_.started = false;
    }
    std::intptr_t Handle() override { return 0x5e5; }
    void TakeNews() override { log_.Call("Session.TakeNews"); }
    void SetMasterVolume(float level) override {
        log_.Call("Session.SetMasterVolume", Num(level));
        session_.volume = level;
    }
    void Start() override { log_.Call("Session.Start"); session_.started = true; }
    void Seek(double seconds) override { log_.Call("Session.Seek", Num(seconds)); state_.position = seconds; }
    void Restart() override {
        log_.Call("Session.Restart");
        state_.position = 0;
        state_.ended = false;
    }
    double Position() override {
        log_.Call("Session.Position");
        return state_.position;
    }
    double Duration() override {
        log_.Call("Session.Duration");
        return state_.duration;
    }
    bool Ended() override {
        log_.Call("Session.Ended");
        return state_.ended;
    }
    bool Broken() override { return state_.broken; }
    void Place(const platform::Part& part, const std::vector<platform::VideoTarget>& others) override {
        std::string targets = Target({0, part});
        for (const platform::VideoTarget& other : others) targets += "," + Target(other);
        log_.Call("Session.Place", targets);
    }

private:
    CallLog& log_;
    SessionState& state_;
    SessionOutcome& session_;
};

class FakeControls final : public platform::PlayerControls {
public:
    FakeControls(CallLog& log, PlayerState& state, PlayerOutcome& player)
        : log_(log), state_(state), player_(player) {}
    void play() override {
        log_.Call("Mp3.controls.play");
        player_.playing = true;
        ++player_.plays;
        player_.playedFrom = state_.position;
    }
    double get_currentPosition() override {
        log_.Call("Mp3.controls.get_currentPosition");
        return state_.position;
    }
    void put_currentPosition(double s) override {
        log_.Call("Mp3.controls.put_currentPosition", Num(s));
        state_.position = s;
    }

private:
    CallLog& log_;
    PlayerState& state_;
    PlayerOutcome& player_;
};

class FakeMedia final : public platform::PlayerMedia {
public:
    FakeMedia(CallLog& log, PlayerState& state) : log_(log), state_(state) {}
    double get_duration() override {
        log_.Call("Mp3.currentMedia.get_duration");
        return state_.duration;
    }

private:
    CallLog& log_;
    PlayerState& state_;
};

class FakeDevice final : public platform::DirectInputDevice8 {
public:
    FakeDevice(CallLog& log, FakeDirectX& dx) : log_(log), dx_(dx) {}
    void SetCommonDataFormat(std::int32_t f) override { log_.Call("Mouse.SetCommonDataFormat", std::to_string(f)); }
    void SetCooperativeLevel(std::intptr_t w, std::int32_t f) override {
        log_.Call("Mouse.SetCooperativeLevel", std::to_string(w) + "," + std::to_string(f));
    }
    void SetProperty(const std::wstring& g, const platform::PropLong& p) override {
        log_.Call("Mouse.SetProperty", Narrow(g) + "," + std::to_string(p.lHow) + "," + std::to_string(p.lObj) +
                                           "," + std::to_string(p.lData));
    }
    void SetEventNotification(std::int32_t id) override {
        log_.Call("Mouse.SetEventNotification", std::to_string(id));
    }
    void Acquire() override { log_.Call("Mouse.Acquire"); }
    std::size_t GetDeviceData(platform::DeviceObjectData* items, std::size_t count, std::int32_t flags) override {
        log_.Call("Mouse.GetDeviceData", std::to_string(count) + "," + std::to_string(flags));
        if (dx_.batches.empty()) return 0;
        auto batch = dx_.batches.front();
        dx_.batches.erase(dx_.batches.begin());
        const std::size_t n = std::min(batch.size(), count);
        std::copy_n(batch.begin(), n, items);
        return n;
    }

private:
    CallLog& log_;
    FakeDirectX& dx_;
};

class FakeDirectInput final : public platform::DirectInput8 {
public:
    FakeDirectInput(CallLog& log, FakeDirectX& dx) : log_(log), dx_(dx) {}
    std::unique_ptr<platform::DirectInputDevice8> CreateDevice(const std::wstring& guid) override {
        log_.Call("DI.CreateDevice", Narrow(guid));
        return std::make_unique<FakeDevice>(log_, dx_);
    }

private:
    CallLog& log_;
    FakeDirectX& dx_;
};

class FakeDirectX8 final : public platform::DirectX8 {
public:
    FakeDirectX8(CallLog& log, FakeDirectX& dx) : log_(log), dx_(dx) {}
    std::unique_ptr<platform::DirectInput8> DirectInputCreate() override {
        log_.Call("Dx.DirectInputCreate");
        return std::make_unique<FakeDirectInput>(log_, dx_);
    }
    std::int32_t CreateEvent(platform::DirectXEvent8& callback) override {
        log_.Call("Dx.CreateEvent");
        dx_.callback = &callback;
        return dx_.eventId;
    }

private:
    CallLog& log_;
    FakeDirectX& dx_;
};

}  // namespace

std::unique_ptr<platform::MediaControl> FakeGraphs::CreateFilgraphManager() {
    log_.Call("CreateFilgraphManager");
    return std::make_unique<FakeMediaControl>(log_, state, outcome);
}

std::unique_ptr<platform::MediaSession> FakeSessions::Open(const std::wstring& file, const platform::VideoTarget& form,
                                                           const std::vector<platform::VideoTarget>& others, bool painted) {
    std::string targets = Target(form);
    for (const platform::VideoTarget& other : others) targets += "," + Target(other);
    log_.Call("MediaSessions.Open", Narrow(file) + "," + targets + (painted ? ",painted" : ""));
    return std::make_unique<FakeSession>(log_, state, outcome);
}

std::unique_ptr<platform::PlayerControls> FakePlayer::controls() {
    log_.Call("Mp3.controls");
    return std::make_unique<FakeControls>(log_, state, outcome);
}

std::unique_ptr<platform::PlayerMedia> FakePlayer::currentMedia() {
    log_.Call("Mp3.currentMedia");
    return std::make_unique<FakeMedia>(log_, state);
}

void FakePlayer::put_URL(const std::wstring& url) {
    log_.Call("Mp3.put_URL", Narrow(url));
    outcome.url = Narrow(url);
    outcome.playing = false;
}

void FakePlayer::close() {
    log_.Call("Mp3.close");
    outcome.url.clear();
    outcome.playing = false;
}

std::int32_t FakePlayer::playState() {
    log_.Call("Mp3.playState");
    return state.playState;
}

std::unique_ptr<platform::DirectX8> FakeDirectX::CreateDirectX8() {
    log_.Call("CreateDirectX8");
    return std::make_unique<FakeDirectX8>(log_, *this);
}

namespace {

// Finished once the background holds no work: the one piece it may hold is
// the last one started.
class FakeJob final : public platform::Job {
public:
    explicit FakeJob(const std::function<void()>& pending) : pending_(pending) {}
    bool Finished() override { return !pending_; }

private:
    const std::function<void()>& pending_;
};

}  // namespace

std::unique_ptr<platform::Job> FakeBackground::Start(std::function<void()> work) {
    log_.Call("Background.Start");
    if (holdWork) {
        pending_ = std::move(work);
    } else {
        work();
    }
    return std::make_unique<FakeJob>(pending_);
}

void FakeBackground::Finish() {
    if (auto work = std::exchange(pending_, nullptr)) work();
}

std::vector<platform::Monitor> FakeMonitors::List() {
    log_.Call("Monitors.List");
    return monitors;
}

std::intptr_t FakeMonitors::Cover(const platform::Rect& bounds, platform::FormEvents& events) {
    log_.Call("Monitors.Cover", std::to_string(bounds.left) + "," + std::to_string(bounds.top) + "," +
                                    std::to_string(bounds.right) + "," + std::to_string(bounds.bottom));
    coverEvents.push_back(&events);
    return 0x2000 + static_cast<std::intptr_t>(coverEvents.size());
}

void FakeMonitors::Blank(std::intptr_t window) {
    log_.Call("Monitors.Blank", std::to_string(window));
    blanked.insert(window);
}

void FakeMonitors::Move(std::intptr_t window, const platform::Rect& bounds) {
    log_.Call("Monitors.Move", std::to_string(window) + "," + std::to_string(bounds.left) + "," +
                                   std::to_string(bounds.top) + "," + std::to_string(bounds.right) + "," +
                                   std::to_string(bounds.bottom));
}

platform::DisplayTimeout FakePower::ReadDisplayTimeout(bool battery) {
    log_.Call("Power.ReadDisplayTimeout", battery ? "DC" : "AC");
    return battery ? dc : ac;
}

platform::DisplayRequests FakePower::DisplayRequested() {
    log_.Call("Power.DisplayRequested");
    return requests;
}

void FakePower::TurnDisplayOff(std::intptr_t window) {
    log_.Call("Power.TurnDisplayOff", std::to_string(window));
    turnedOff.push_back(window);
    if (whenOff) whenOff();
}

void FakePower::WatchDisplay(std::intptr_t window) { log_.Call("Power.WatchDisplay", std::to_string(window)); }

}  // namespace fakes
