#pragma once
// When the saver lets the display sleep: the power plan's "turn off the
// display after", counted from the session's last input as Windows counts it.
// A saver that kept playing past that moment would keep the display lit all
// night; one that only stopped would leave the display on until Windows'
// own timer, which the playing may have held back, runs out again.
#include <cstdint>

#include "platform/power.h"

namespace show {

// A wait with no time limit: only input, or news of the system, ends it.
constexpr int kForever = -1;
// How long the display waits for the media's stop before it is turned off
// anyway: a stop that never returns must not keep it lit.
constexpr int kStopGraceMs = 2000;
// How often a display kept lit by another program's request is looked at
// again, for the moment the request is withdrawn.
constexpr int kRequestLookMs = 60000;

// The plan's seconds, 0 for "never" in every form: no library, no function,
// an error, or the plan's own 0.
std::uint32_t PlanSeconds(const platform::DisplayTimeout& timeout);

// The later of two tick counts, across the counter's wrap.
std::uint32_t LaterTick(std::uint32_t a, std::uint32_t b);

// Milliseconds from now until the display's moment, counted from the tick
// since: 0 when it has come (or passed), kForever for "never".
int UntilDisplayOff(std::uint32_t planSeconds, std::uint32_t since, std::uint32_t now);

// The display as the saver sees it.
enum class Display {
    Playing,   // lit, the media playing
    Stopping,  // the moment has come; the media are being stopped
    Off,       // asleep; the loop waits on input alone
};

}  // namespace show
