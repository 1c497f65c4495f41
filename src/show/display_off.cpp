// The display sleeps on the power plan's schedule. At the plan's moment the
// show stops, so that nothing of ours holds the display or the system on,
// and the display is asked to turn off; the screen stays black and the loop
// waits on input alone. Input still ends the saver as always. A display lit
// again without input (another program's doing) gets the show back where it
// stopped, with the plan's time counted afresh.
#include <algorithm>
#include <utility>

#include "form1.h"
#include "platform/error.h"
#include "show/steps.h"

void Form1::WatchPowerPlan() {
    p_.power.WatchDisplay(p_.window.Handle());
    ReadPowerPlan();
    // The user went idle before the saver began: the moment may have passed.
    FollowPowerPlan(show::kForever);
}

void Form1::ReadPowerPlan() { planSeconds_ = show::PlanSeconds(p_.power.ReadDisplayTimeout(p_.power.OnBattery())); }

int Form1::FollowPowerPlan(int wakeMs) {
    const platform::PowerNews news = p_.power.TakeNews();
    if (news.sourceChanged) ReadPowerPlan();
    // Locked (a wake from standby that lights the display is one way): the
    // show stays stopped, black and silent, behind the lock screen until the
    // session is unlocked.
    const bool locked = p_.power.SessionLocked();
    if ((news.display == platform::DisplayState::Off || locked) && ShowPlaying()) {
        // Off for another reason: already dark, so only the show stops.
        StopShow();
        display_ = show::Display::Off;
        resumeWanted_ = locked && news.display != platform::DisplayState::Off;
    } else if (news.display == platform::DisplayState::On && !ShowPlaying()) {
        resumeWanted_ = true;
    }
    TakeStoppedVideo();
    // The stop's thread ending, and the unlock, wake the wait, so kForever
    // misses nothing.
    if (resumeWanted_ && (locked || !ResumeShow())) return show::kForever;
    // Lit again: the show starts anew once its video is built, and has its
    // first pass as soon as a playing show would.
    if (setUpDone_ && !showStarted_ && ShowPlaying() && VideoBuilt()) {
        StartShow();
        wakeMs = show::kPlayingCapMs;
    }
    if (musicResumeAt_ > 0 && ShowRunning()) {
        try {
            if (p_.player.playState() == platform::wmppsPlaying) {
                p_.player.controls()->put_currentPosition(std::exchange(musicResumeAt_, 0));
            }
        } catch (const platform::Error&) {
            musicResumeAt_ = 0;  // from the start, then
        }
    }

    if (display_ == show::Display::Playing) {
        const std::uint32_t now = p_.power.TickCount();
        // Read at every wake: a key that types nothing resets the idle time
        // without ending the saver.
        std::uint32_t since = p_.power.LastInputTick();
        if (litAgain_) since = show::LaterTick(since, litSince_);
        const int left = show::UntilDisplayOff(planSeconds_, since, now);
        if (left == show::kForever) return wakeMs;
        if (left > 0) return wakeMs == show::kForever ? left : std::min(wakeMs, left);
        StopShow();
        display_ = show::Display::Stopping;
        stoppingSince_ = now;
    }
    if (display_ == show::Display::Stopping) {
        const auto waited = static_cast<int>(std::min<std::uint32_t>(p_.power.TickCount() - stoppingSince_,
                                                                      show::kStopGraceMs));
        if (videoStop_.Pending() && waited < show::kStopGraceMs) return show::kStopGraceMs - waited;
        // A stop still under way may hold the display's request itself: the
        // request then says nothing of other programs.
        const bool stopStuck = videoStop_.Pending();
        TakeStoppedVideo();
        display_ = show::Display::Off;
        requestSeen_.reset();
        if (stopStuck) {
            // Its thread keeps the video; its last picture goes all the same,
            // for a display that another program keeps lit.
            BlankEveryMonitor();
            p_.power.TurnDisplayOff(p_.window.Handle());
            return show::kForever;
        }
        return TurnDisplayOffUnlessHeld();
    }
    if (display_ == show::Display::Off && requestSeen_) return TurnDisplayOffUnlessHeld();
    return show::kForever;
}

// Another program that wants the display keeps it lit; the request is looked
// at again about once a minute, never sooner, until it is withdrawn.
int Form1::TurnDisplayOffUnlessHeld() {
    const std::uint32_t now = p_.power.TickCount();
    if (requestSeen_ && now - *requestSeen_ < show::kRequestLookMs)
        return static_cast<int>(show::kRequestLookMs - (now - *requestSeen_));
    if (p_.power.DisplayRequested() == platform::DisplayRequests::Held) {
        requestSeen_ = now;
        return show::kRequestLookMs;
    }
    requestSeen_.reset();
    p_.power.TurnDisplayOff(p_.window.Handle());
    return show::kForever;
}

// Stopped, a graph, a session and a player still keep their audio devices
// open, whose threads wake many times a second: all are let go, and made
// anew to resume. Until the show has started there is nothing to stop: the
// set-up, seeing the display asleep, starts nothing.
void Form1::StopShow() {
    if (!showStarted_) return;
    showStarted_ = false;
    // A video being built again after a stall is built anew to resume too.
    if (MediaControl || Session || repair_ != Repair::None) {
        videoReleased_ = true;
        HandOverVideo();
    }
    repair_ = Repair::None;
    if (musicGiven_) {
        musicGiven_ = false;
        try {
            musicResumeAt_ = p_.player.playState() == platform::wmppsPlaying
                                 ? p_.player.controls()->get_currentPosition()
                                 : 0;
        } catch (const platform::Error&) {
            musicResumeAt_ = 0;
        }
        try {
            p_.player.close();
        } catch (const platform::Error&) {
            // A player that refuses plays on; the display sleeps all the same.
        }
    }
}

// A graph's Stop on the window's thread, its video full-screen, has waited
// for good. The video goes whole to a thread of its own, which stops and lets
// it go and hands back where it stood: input never waits on it, and nothing
// of it is left to the window's thread.
void Form1::HandOverVideo() {
    if (!MediaControl && !Session) return;
    videoStop_.Start(p_.background, TakeVideo(),
                     [](show::PlayingVideo video) { return show::StopVideo(std::move(video)); });
}

// Once the stop's thread is done: where the video stood, and every monitor
// black, the mirrored covers too.
void Form1::TakeStoppedVideo() {
    const std::optional<double> at = videoStop_.Take();
    if (!at) return;
    videoResumeAt_ = *at;
    BlankEveryMonitor();
}

void Form1::BlankEveryMonitor() {
    p_.monitors.Blank(p_.window.Handle());
    for (std::intptr_t cover : Covers) p_.monitors.Blank(cover);
}

// False while the stop's thread still has the video: the resume waits for
// where it stood.
bool Form1::ResumeShow() {
    if (videoStop_.Pending()) return false;
    TakeStoppedVideo();
    resumeWanted_ = false;
    requestSeen_.reset();
    display_ = show::Display::Playing;
    litAgain_ = true;
    litSince_ = p_.power.TickCount();
    if (std::exchange(videoReleased_, false) && setUpDone_) BuildVideo();
    return true;
}

// Before the video runs: seeking a running graph stops it on the window's
// thread, and a session seeks only as it starts.
void Form1::SeekWhereStopped() {
    const double at = std::exchange(videoResumeAt_, 0);
    if (at <= 0) return;
    show::Try([&] { show::Held(MediaPosition).put_CurrentPosition(at); });
    show::Try([&] { show::Held(Session).Seek(at); });
}
