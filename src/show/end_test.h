#pragma once

#include "convert.h"
#include "platform/error.h"

// "At the end": position and duration fall on the same whole second, each
// rounded halves-to-even. Up to a second early, by design: the restart must
// come before a player that stops at its end reports another state.
// A damaged file can make a player report a time that is no number or fits
// no whole second; such a stream has no end to find, and that is no reason
// to stop the show with an error.
inline bool AtEnd(double position, double duration) {
    try {
        return convert::RoundToLong(position) == convert::RoundToLong(duration);
    } catch (const platform::Error&) {
        return false;
    }
}
