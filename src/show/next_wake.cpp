#include "show/next_wake.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/media_player.h"

namespace show {
namespace {

// How far past the first moment the sleep aims, at most: timers and clocks
// differ by about this much. A shorter stretch in which the test holds (a
// duration just past a half second) is aimed at in its middle.
constexpr double kPastOpeningSeconds = 0.002;

}  // namespace

int UntilEndTestHolds(double position, double duration, double rate) {
    if (!std::isfinite(position) || !std::isfinite(duration) || !std::isfinite(rate) || rate <= 0) return -1;
    // Rounded as the end test rounds: halves to the even neighbour.
    const double end = std::nearbyint(duration);
    if (std::nearbyint(position) == end) return 0;
    // The test holds from end - 0.5 on (from just after it when end is odd)
    // until the stream ends at duration, which is never more than end + 0.5.
    const double opens = end - 0.5;
    if (position > opens) return -1;
    const double target = opens + std::min((duration - opens) / 2, kPastOpeningSeconds);
    // Whole milliseconds, not counting the crumbs of binary fractions (9.502 - 9
    // comes out a hair above 0.502).
    const double ms = std::ceil((target - position) / rate * 1000 - 1e-6);
    if (ms >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return std::max(static_cast<int>(ms), 1);
}

bool AboutToPlay(std::int32_t playState) {
    return playState == platform::wmppsTransitioning || playState == platform::wmppsBuffering ||
           playState == platform::wmppsWaiting;
}

bool StoppedAtEnd(std::int32_t playState) {
    return playState == platform::wmppsStopped || playState == platform::wmppsMediaEnded;
}

void NextWake::Clip(double position, double duration, double rate) {
    const int ms = UntilEndTestHolds(position, duration, rate);
    if (ms == 0) {
        Soon();
    } else if (ms > 0) {
        Within(ms);
    }
}

}  // namespace show
