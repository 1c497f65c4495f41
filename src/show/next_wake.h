#pragma once
// How long the show loop sleeps after a pass. A loop that never slept would
// see a video or a track at the first moment its whole-second end test holds;
// this one sleeps until just past that moment and no longer, and otherwise
// only input needs a pass.
#include <cstdint>

namespace show {

// The longest sleep while a video or the music plays: an edit of "sound" is
// seen within it.
constexpr int kPlayingCapMs = 1000;
// The longest sleep with nothing that could need a restart.
constexpr int kIdleCapMs = 10000;
// After a restart, or while the player opens its file: read again soon.
constexpr int kSoonMs = 15;
// A player still opening after this long waits on something slow (a share
// that does not answer): it is looked at less often, at this pace.
constexpr std::uint32_t kOpeningPatienceMs = 5000;
constexpr int kSlowOpeningMs = 250;
// Video and music both play at the normal speed, which the set-up asks for
// and nothing changes.
constexpr double kNormalRate = 1.0;

// Milliseconds until the end test can next hold for a clip at position, of
// duration, advancing at rate seconds a second: a hair past the moment it
// first can, so that the sleep does not end just short of it. 0 when it holds
// now; -1 when it cannot until something else changes (a position past the
// end, a rate that is not positive, a value that is no number).
int UntilEndTestHolds(double position, double duration, double rate);

// The player's state says it is about to play (opening or filling in a file).
bool AboutToPlay(std::int32_t playState);
// The player's state says a track that was playing has come to its end and
// stopped there: the end test's moment went by between two looks.
bool StoppedAtEnd(std::int32_t playState);

// The sleep after one pass: the shortest that anything read in it asks for.
class NextWake {
public:
    // playing: a video runs or the music was given a file, so a pass may be
    // needed before input comes.
    explicit NextWake(bool playing) : ms_(playing ? kPlayingCapMs : kIdleCapMs) {}
    // A video or a track, read in this pass and not restarted.
    void Clip(double position, double duration, double rate);
    // Something was restarted.
    void Soon() { Within(kSoonMs); }
    // A player has been opening its file for this long.
    void Opening(std::uint32_t forMs) { Within(forMs < kOpeningPatienceMs ? kSoonMs : kSlowOpeningMs); }
    // Something is due in ms.
    void Within(int ms) {
        if (ms < ms_) ms_ = ms;
    }
    int Milliseconds() const { return ms_; }

private:
    int ms_;
};

}  // namespace show
