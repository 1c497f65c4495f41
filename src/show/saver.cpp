// The saver branch of Form_Load: cover the screen, start video and music, then
// run the show loop until input ends the process.
#include "form1.h"
#include "settings/ini.h"
#include "show/monitors.h"

void Form1::SaverSetUp() {
    Running = true;
    p_.window.Show();
    p_.window.SetNormalState();
    // The shell hides a monitor's taskbar only for the foreground full-screen
    // window; on the other monitors, taskbars and always-on-top windows would
    // stay above a window that is not on top itself.
    p_.window.StayOnTop();
    p_.window.SetTop(0);
    p_.window.SetLeft(0);
    p_.window.SetWidth(p_.window.ScreenWidth());
    p_.window.SetHeight(p_.window.ScreenHeight());
    CoverOtherMonitors();
    p_.cursor.ShowCursor(false);
    ShareOutVideo();
    // A graph may never finish building (a decoder that hangs, a share that
    // does not answer); built off the window's thread, it cannot keep input
    // from ending the saver. Until it is built the screen stays black.
    BuildVideo();
    WatchPowerPlan();
    WaitForVideo();
    if (!Running) return;  // closed while the graph was being built
    setUpDone_ = true;
    // A display that went to sleep meanwhile starts the show when it is lit again.
    if (ShowPlaying()) StartShow();
}

void Form1::BuildVideo() {
    RemoveDShow();
    RemoveFallback();
    videoBuild_.Start(p_.background, [&platform = p_, plan = Plan()] {
        const std::wstring path = ini::ReadSetting(platform, ini::kPath, ini::kPathDefault);
        return show::BuildDShowGraph(platform, path + L"Trevlin.evc", plan);
    });
}

void Form1::StartShow() {
    showStarted_ = true;
    if (MusicWanted()) PrepareMp3();
    StartVideo();
    if (MusicWanted()) PlayMp3();
}

// Each time, a new video window appears under the resting pointer and gets
// moves of its own: the count of the user's starts afresh.
void Form1::StartVideo() {
    MoveCount = 0;
    PlaceDShowWindow();
    MirrorVideo();
    SeekWhereStopped();
    RunDShow();
    RunFallback();
}

// Form1 covers the primary monitor; each other one gets a black window of its
// own, so that nothing of the desktop shows anywhere. What each shows is read
// only where there is more than one.
void Form1::CoverOtherMonitors() {
    monitors_ = p_.monitors.List();
    for (const platform::Rect& bounds : show::OtherMonitors(monitors_)) {
        Covers.push_back(p_.monitors.Cover(bounds, *this));
        coveredBounds_.push_back(bounds);
    }
}

// A monitor plugged in or out, one that slept off the bus and came back, a
// new mode: Form1 goes over the primary again, the covers follow the others,
// and the video goes on where it is, placed anew.
void Form1::Form_DisplayChange() {
    if (!Running) return;  // saver mode only, while it runs
    p_.window.SetTop(0);
    p_.window.SetLeft(0);
    p_.window.SetWidth(p_.window.ScreenWidth());
    p_.window.SetHeight(p_.window.ScreenHeight());
    monitors_ = p_.monitors.List();
    const show::CoverChanges changes = show::ChangeCovers(coveredBounds_, show::OtherMonitors(monitors_));
    for (const auto& [index, bounds] : changes.moved) {
        p_.monitors.Move(Covers[index], bounds);
        coveredBounds_[index] = bounds;
    }
    for (std::size_t index : changes.removed) {
        p_.monitors.Uncover(Covers[index]);
        Covers.erase(Covers.begin() + static_cast<std::ptrdiff_t>(index));
        coveredBounds_.erase(coveredBounds_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    for (const platform::Rect& bounds : changes.added) {
        Covers.push_back(p_.monitors.Cover(bounds, *this));
        coveredBounds_.push_back(bounds);
    }
    ShareOutVideo();
    if (!ShowRunning()) return;  // placed and mirrored when it starts again
    PlaceVideo();
}

// What each monitor shows, by the "monitors" setting; read only where there
// is more than one. Alone, Form1 shows the whole picture.
void Form1::ShareOutVideo() {
    formPart_ = {};
    coverParts_.assign(Covers.size(), {});
    if (Covers.empty()) return;
    use_ = show::ReadMonitorUse(ReadSetting(ini::kMonitors, ini::kMonitorsDefault));
    const std::vector<platform::Part> parts = show::MonitorParts(monitors_, use_);
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        if (monitors_[i].primary) {
            formPart_ = parts[i];
            continue;
        }
        for (std::size_t c = 0; c < coveredBounds_.size(); ++c)
            if (coveredBounds_[c] == monitors_[i].bounds) coverParts_[c] = parts[i];
    }
}

void Form1::WaitForVideo() {
    while (Running && !VideoBuilt()) {
        p_.window.DoEvents();
        // The build's end wakes the wait, as input does.
        if (Running && !VideoBuilt()) p_.window.WaitForInput(FollowPowerPlan(show::kIdleCapMs), nullptr);
    }
}

bool Form1::VideoBuilt() {
    if (std::optional<show::BuiltVideo> built = videoBuild_.Take()) TakeOverDShowGraph(std::move(*built));
    return !videoBuild_.Pending();
}

void Form1::ShowLoopPass() {
    FollowVideoRepair();
    LoopDShow();
    LoopFallback();
    if (MusicWanted()) LoopMp3();
    p_.window.DoEvents();
}

void Form1::ShowLoop() {
    while (Running) {
        // The pass's end tests shorten the wait to what they read; input, and
        // the end of the video's stream, cut it short.
        wake_ = show::NextWake(VideoPlays() || musicGiven_);
        if (ShowRunning()) {
            ShowLoopPass();
        } else {
            p_.window.DoEvents();  // asleep, or being started again: nothing plays yet
        }
        const int wait = FollowPowerPlan(wake_.Milliseconds());
        if (Running) p_.window.WaitForInput(wait, ShowRunning() ? VideoNews() : nullptr);
    }
}
