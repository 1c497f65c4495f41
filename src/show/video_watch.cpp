// The video's watchdog. Wine's renderers stall at a rewind now and then, and
// a session whose audio device goes away stops for good, its clock standing
// still: the picture would freeze for the rest of the night. A video whose
// position stands still while it should play, or that reports such an error,
// goes to the stop's thread as at the display's moment, and is built again
// where it stood, with the audio device that is the default by then. The
// music plays on meanwhile. While the display sleeps nothing here runs.
#include "form1.h"
#include "platform/error.h"
#include "show/display_sleep.h"

bool Form1::VideoStalled(std::optional<double> position, bool broken) {
    const std::uint32_t now = p_.power.TickCount();
    const show::Motion motion = videoStill_.Look(position, now);
    if (position) videoSeenAt_ = *position;
    if (motion == show::Motion::Moving) rebuilds_.Played();
    if (!broken && motion != show::Motion::Stalled) return false;
    // A renderer that stands still may do so again after every rebuild (Wine's
    // does at a rewind); the painter, fed by a sample grabber, does not.
    if (Session && motion == show::Motion::Stalled) paintAlways_ = true;
    videoStill_ = {};
    HandOverVideo();
    repair_ = Repair::Stopping;
    stoppingSince_ = now;
    wake_.Soon();
    return true;
}

// Each step's end (the stop's thread done, the build done) wakes the wait.
// A rebuild that gives nothing to play leaves the screen black, as where the
// video never played; input ends the saver as ever, and no error is shown.
void Form1::FollowVideoRepair() {
    if (repair_ == Repair::Stopping) {
        // A stop that never returns (a session that never closes) keeps the
        // video it has; a new one is built where the last look saw it.
        const std::uint32_t waited = p_.power.TickCount() - stoppingSince_;
        if (videoStop_.Pending() && waited < show::kStopGraceMs) {
            wake_.Within(static_cast<int>(show::kStopGraceMs - waited));
            return;
        }
        if (videoStop_.Pending()) {
            videoStop_.Drop();
            videoResumeAt_ = videoSeenAt_;
            BlankEveryMonitor();
        }
        TakeStoppedVideo();  // where it stood, every monitor black
        repair_ = Repair::Waiting;
    }
    if (repair_ == Repair::Waiting) {
        const std::uint32_t now = p_.power.TickCount();
        if (const std::uint32_t due = rebuilds_.MsUntilDue(now)) {
            wake_.Within(static_cast<int>(due));
            return;
        }
        rebuilds_.Started(now);
        BuildVideo();
        repair_ = Repair::Building;
    }
    if (repair_ != Repair::Building || !VideoBuilt()) return;
    repair_ = Repair::Waiting;
    if (!VideoPlays()) return;
    try {
        StartVideo();
        repair_ = Repair::None;
    } catch (const platform::Error&) {
        HandOverVideo();
        repair_ = Repair::Stopping;
    }
}
