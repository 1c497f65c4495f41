#pragma once
#include "convert.h"

// "At the end": position and duration fall on the same whole second, each
// rounded halves-to-even. Up to a second early, by design: the restart must
// come before a player that stops at its end reports another state.
inline bool AtEnd(double position, double duration) {
    return convert::RoundToLong(position) == convert::RoundToLong(duration);
}
