#pragma once
// Recording fakes of the platform seam. Every call lands in one CallLog as
// text ("VideoWindow.put_Top(0)"), for the few tests whose behaviour is an
// order; naming a call in CallLog::failing makes it throw like a refused
// platform call. The media, monitors and power also keep the state a user
// would see (a graph running, music closed, a monitor blanked): assert that.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/platform.h"

namespace fakes {

std::string Narrow(const std::wstring& text);

struct CallLog {
    std::vector<std::string> calls;
    std::set<std::string> failing;  // call names, e.g. "VideoWindow.put_Top"
    // Records the call, then throws if its name is listed as failing.
    void Call(const std::string& name, const std::string& args = "");
    std::vector<std::string> Named(const std::string& prefix) const;  // calls starting with prefix
    void Clear() { calls.clear(); }
};

// Thrown by FakeProcess::End: nothing after EndProgram may run.
struct ProgramEnded {};

class FakeProcess final : public platform::Process {
public:
    explicit FakeProcess(CallLog& log) : log_(log) {}
    std::wstring CommandLine() override { return commandLine; }
    std::wstring ProgramFolder() override { return folder; }
    [[noreturn]] void End() override;
    void ShowError(std::int32_t number, const std::wstring& description) override;

    std::wstring commandLine;
    std::wstring folder = L"C:\\Saver";

private:
    CallLog& log_;
};

// An in-memory settings file with the platform's truncation: at most size - 1
// characters are copied, the default included.
class FakeProfile final : public platform::Profile {
public:
    explicit FakeProfile(CallLog& log) : log_(log) {}
    std::size_t GetString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                          wchar_t* buffer, std::size_t size, const std::wstring& file) override;
    bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                     const std::wstring& file) override;
    bool CanWrite(const std::wstring& file) override { return readOnly.count(file) == 0; }
    std::wstring LastWriteFailure() override { return L"Access denied."; }

    // file -> "section/key" -> value
    std::map<std::wstring, std::map<std::wstring, std::wstring>> files;
    bool writesFail = false;
    std::set<std::wstring> readOnly;  // files this user may not write
    void Set(const std::wstring& file, const std::wstring& key, const std::wstring& value) {
        files[file][L"config/" + key] = value;
    }

private:
    CallLog& log_;
};

class FakeWindow final : public platform::FormWindow {
public:
    explicit FakeWindow(CallLog& log) : log_(log) {}
    void Create(platform::FormEvents& events) override;
    std::intptr_t Handle() override { return 0x1234; }
    void Show() override { log_.Call("Window.Show"); }
    void SetNormalState() override { log_.Call("Window.SetNormalState"); }
    void StayOnTop() override { log_.Call("Window.StayOnTop"); }
    void SetTop(int top) override { log_.Call("Window.SetTop", std::to_string(top)); }
    void SetLeft(int left) override { log_.Call("Window.SetLeft", std::to_string(left)); }
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    int ScreenWidth() override { return 1024; }
    int ScreenHeight() override { return 768; }
    int ClientWidth() override { return clientWidth; }
    int ClientHeight() override { return clientHeight; }
    void ShowPreviewPicture() override { log_.Call("Window.ShowPreviewPicture"); }
    void SetCaption(const std::wstring& caption) override { log_.Call("Window.SetCaption", Narrow(caption)); }
    void SetFixedDialogBorder() override { log_.Call("Window.SetFixedDialogBorder"); }
    void ShowControl(platform::Control control) override;
    void HideControl(platform::Control control) override;
    void DisableControl(platform::Control control) override { disabled.insert(control); }
    void SetControlText(platform::Control control, const std::wstring& text) override { texts[control] = text; }
    std::int16_t CheckState() override { return check; }
    void SetCheckState(std::int16_t state) override;
    void ShowMessage(const std::wstring& text) override;
    // Runs the next scripted batch of window events, if any.
    void DoEvents() override;
    // "Window.WaitForInput(15)", or "Window.WaitForInput(15,MediaEvent)" when
    // the graph's notifications wake it too.
    void WaitForInput(int milliseconds, platform::WakeUp* also) override;
    std::vector<int> waited;  // each wait's longest time, in ms

    platform::FormEvents* events = nullptr;
    int clientWidth = 343, clientHeight = 210;
    std::int16_t check = 1;
    std::deque<std::function<void()>> script;  // one entry per DoEvents
    std::wstring lastMessage;
    std::set<platform::Control> disabled;
    std::map<platform::Control, std::wstring> texts;

private:
    CallLog& log_;
};

class FakeWindowApi final : public platform::WindowApi {
public:
    explicit FakeWindowApi(CallLog& log) : log_(log) {}
    bool IsWindow(std::intptr_t window) override;
    void GetClientRect(std::intptr_t window, platform::Rect& rect) override;
    std::int32_t GetWindowLong(std::intptr_t window, int index) override;
    std::int32_t SetWindowLong(std::intptr_t window, int index, std::int32_t value) override;
    void SetParent(std::intptr_t window, std::intptr_t parent) override;
    void SetWindowPos(std::intptr_t window, std::intptr_t insertAfter, int x, int y, int width, int height,
                      std::uint32_t flags) override;

    platform::Rect hostClient{0, 0, 200, 150};
    bool hostExists = true;
    std::int32_t style = 0x06000000;  // WS_CLIPSIBLINGS | WS_CLIPCHILDREN

private:
    CallLog& log_;
};

class FakeCursor final : public platform::Cursor {
public:
    explicit FakeCursor(CallLog& log) : log_(log) {}
    int ShowCursor(bool show) override;
    int count = 0;

private:
    CallLog& log_;
};

class FakeShell final : public platform::Shell {
public:
    explicit FakeShell(CallLog& log) : log_(log) {}
    void Open(std::intptr_t window, const std::wstring& address) override;

private:
    CallLog& log_;
};

// The video graph: position and duration are what get_* report; rendered is
// what RenderFile connected.
struct GraphState {
    double position = 0;
    double duration = 10;
    platform::Rendered rendered{true, true};
    bool broken = false;  // an error event came (asked without a log entry)
};

// What became of the graphs.
struct GraphOutcome {
    bool running = false;
    bool visible = true;                 // the video window, until put_Visible(0)
    std::optional<std::int32_t> volume;  // the soundtrack's, once set
    int held = 0;                        // references to graphs not yet released
};

class FakeGraphs final : public platform::MediaGraphs {
public:
    explicit FakeGraphs(CallLog& log) : log_(log) {}
    std::unique_ptr<platform::MediaControl> CreateFilgraphManager() override;
    GraphState state;
    GraphOutcome outcome;

private:
    CallLog& log_;
};

// The Media Foundation session: what Position, Duration and Ended report;
// Seek moves the position.
struct SessionState {
    double position = 0;
    double duration = 10;
    bool ended = false;
    bool broken = false;  // an error event came (asked without a log entry)
};

// What became of the sessions.
struct SessionOutcome {
    bool started = false;
    std::optional<float> volume;
    int open = 0;  // sessions not yet released
};

class FakeSessions final : public platform::MediaSessions {
public:
    explicit FakeSessions(CallLog& log) : log_(log) {}
    std::unique_ptr<platform::MediaSession> Open(const std::wstring& file, const platform::VideoTarget& form,
                                                 const std::vector<platform::VideoTarget>& others, bool painted) override;
    SessionState state;
    SessionOutcome outcome;

private:
    CallLog& log_;
};

// What the player reports; put_currentPosition moves the position.
struct PlayerState {
    std::int32_t playState = 3;
    double position = 0;
    double duration = 200;
};

// What the player was told.
struct PlayerOutcome {
    std::string url;       // empty: closed
    bool playing = false;  // played since the URL was given
    int plays = 0;
    double playedFrom = -1;  // the position at the last play
};

class FakePlayer final : public platform::MediaPlayer {
public:
    explicit FakePlayer(CallLog& log) : log_(log) {}
    void put_URL(const std::wstring& url) override;
    void Prepare(const std::wstring& url) override { log_.Call("Mp3.Prepare", Narrow(url)); }
    std::unique_ptr<platform::PlayerControls> controls() override;
    std::unique_ptr<platform::PlayerMedia> currentMedia() override;
    std::int32_t playState() override;
    void close() override;
    PlayerState state;
    PlayerOutcome outcome;

private:
    CallLog& log_;
};

// The mouse device: each GetDeviceData hands out the next queued batch.
class FakeDirectX final : public platform::DirectX {
public:
    explicit FakeDirectX(CallLog& log) : log_(log) {}
    std::unique_ptr<platform::DirectX8> CreateDirectX8() override;
    std::vector<std::vector<platform::DeviceObjectData>> batches;
    platform::DirectXEvent8* callback = nullptr;
    std::int32_t eventId = 7;

private:
    CallLog& log_;
};

// Runs the work at once, as a thread that finishes at once would; with
// holdWork, keeps it until Finish() runs it, like a build that hangs.
class FakeBackground final : public platform::Background {
public:
    explicit FakeBackground(CallLog& log) : log_(log) {}
    std::unique_ptr<platform::Job> Start(std::function<void()> work) override;
    void Finish();
    bool holdWork = false;

private:
    CallLog& log_;
    std::function<void()> pending_;
};

// One 1024x768 monitor unless a test lays out more.
class FakeMonitors final : public platform::Monitors {
public:
    explicit FakeMonitors(CallLog& log) : log_(log) {}
    std::vector<platform::Monitor> List() override;
    std::intptr_t Cover(const platform::Rect& bounds, platform::FormEvents& events) override;
    void Blank(std::intptr_t window) override;
    void Move(std::intptr_t window, const platform::Rect& bounds) override;
    void Uncover(std::intptr_t window) override { log_.Call("Monitors.Uncover", std::to_string(window)); }
    std::vector<platform::Monitor> monitors{{{0, 0, 1024, 768}, true}};
    std::set<std::intptr_t> blanked;
    std::vector<platform::FormEvents*> coverEvents;

private:
    CallLog& log_;
};

// The power plan and the idle clock: by default a plan that cannot be read
// (the "never" Wine gives). The questions are not logged; what the product
// asks for (a reading, the display off, the watch) is.
class FakePower final : public platform::Power {
public:
    explicit FakePower(CallLog& log) : log_(log) {}
    bool OnBattery() override { return onBattery; }
    platform::DisplayTimeout ReadDisplayTimeout(bool battery) override;
    std::uint32_t TickCount() override { return now; }
    std::uint32_t LastInputTick() override { return lastInput; }
    platform::DisplayRequests DisplayRequested() override;
    void TurnDisplayOff(std::intptr_t window) override;
    void WatchDisplay(std::intptr_t window) override;
    platform::PowerNews TakeNews() override { return std::exchange(news, {}); }
    bool SessionLocked() override { return locked; }

    bool onBattery = false;
    platform::DisplayTimeout ac{platform::PlanRead::NoLibrary, 0};
    platform::DisplayTimeout dc{platform::PlanRead::NoLibrary, 0};
    std::uint32_t now = 100000;
    std::uint32_t lastInput = 100000;
    platform::DisplayRequests requests = platform::DisplayRequests::Unknown;
    platform::PowerNews news;
    std::vector<std::intptr_t> turnedOff;  // the window of each request to turn the display off
    std::function<void()> whenOff;         // runs at each such request
    bool locked = false;

private:
    CallLog& log_;
};

// Policy values by root and name, of the type the registry would report.
class FakePolicies final : public platform::Policies {
public:
    std::optional<std::uint32_t> Number(platform::PolicyRoot root, const std::wstring& name) override {
        auto v = numbers.find({root, name});
        return v == numbers.end() ? std::nullopt : std::optional<std::uint32_t>(v->second);
    }
    std::optional<std::wstring> Text(platform::PolicyRoot root, const std::wstring& name) override {
        auto v = texts.find({root, name});
        return v == texts.end() ? std::nullopt : std::optional<std::wstring>(v->second);
    }
    std::map<std::pair<platform::PolicyRoot, std::wstring>, std::uint32_t> numbers;
    std::map<std::pair<platform::PolicyRoot, std::wstring>, std::wstring> texts;
};

// One of everything, wired into a platform::Platform.
struct FakePlatform {
    CallLog log;
    FakeProcess process{log};
    FakeProfile profile{log};
    FakeWindow window{log};
    FakeWindowApi windows{log};
    FakeCursor cursor{log};
    FakeShell shell{log};
    FakeGraphs graphs{log};
    FakeSessions sessions{log};
    FakePlayer player{log};
    FakeDirectX directx{log};
    FakeBackground background{log};
    FakeMonitors monitors{log};
    FakePower power{log};
    FakePolicies policies;
    platform::Platform platform{process, profile,  window,  windows, cursor,     shell,
                                graphs,  sessions, player,  directx, background, monitors, power, policies};

    std::wstring SettingsFile() const { return process.folder + L"\\Trevlin.ini"; }
    void SetSetting(const std::wstring& key, const std::wstring& value) { profile.Set(SettingsFile(), key, value); }
};

}  // namespace fakes
