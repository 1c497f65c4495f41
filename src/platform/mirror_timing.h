#pragma once
// When the graph's own renderer shows a picture that the mirror was handed on
// its way there. Times are in 100 ns units: a picture's start in the stream's
// time, "now" on the graph's reference clock.
#include <cstdint>

namespace platform {

class MirrorTiming {
public:
    // Longest wait for a picture's moment: a frame of even a slow video; more
    // means the times are not what we took them for, and the picture goes at
    // once.
    static constexpr std::int64_t kLongestWait = 250 * 10000;

    // A picture starting at start was handed over at now. The renderer holds
    // each picture until its moment and only then takes the next from the
    // same thread, so a picture comes right after the one before it was
    // shown: from that, the clock time of the stream's start is known (the
    // earliest such estimate is the truest). A start that does not advance
    // is a rewind or a new run: the stream starts anew.
    void Handed(std::int64_t start, std::int64_t now);
    // How long from now until the picture starting at start is shown; 0 for
    // at once (its moment has come, or is not known).
    std::int64_t Wait(std::int64_t start, std::int64_t now) const;

private:
    bool havePrevious_ = false;
    std::int64_t previousStart_ = 0;
    bool haveStreamStart_ = false;
    std::int64_t streamStart_ = 0;
};

}  // namespace platform
