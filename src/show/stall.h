#pragma once
// When a clip that should be playing has stopped all the same: the one rule
// for the video, on either path, and for the music. A renderer can stall at
// a rewind, and a session can lose its audio device, with no word said: the
// position standing still is what shows it.
#include <cstdint>
#include <optional>

namespace show {

// A position that stands still this long, in looks close together, has stalled.
constexpr std::uint32_t kStalledMs = 3000;
// Looks further apart than this prove nothing: the show may have been
// stopped between them.
constexpr std::uint32_t kLooksApartMs = 2000;
// After two rebuilds in a row that came to nothing, the next waits this long.
constexpr std::uint32_t kRebuildPatienceMs = 60000;

enum class Motion { Moving, Still, Stalled };

class StallWatch {
public:
    // One look at now: the position, or none where it could not be read,
    // which is a stall at once. After a stall the watch starts afresh.
    Motion Look(std::optional<double> position, std::uint32_t now);

private:
    struct Seen {
        double position;
        std::uint32_t since, last;
    };
    std::optional<Seen> seen_;
};

// How soon a video that failed is built again: at once, and at once a second
// time; after two rebuilds in a row that never played, once a minute.
class Rebuilds {
public:
    // 0 when a rebuild may start at now, else the milliseconds until it may.
    std::uint32_t MsUntilDue(std::uint32_t now) const;
    void Started(std::uint32_t now) {
        ++unplayed_;
        last_ = now;
    }
    // The video was seen moving: whatever came before worked in the end.
    void Played() { unplayed_ = 0; }

private:
    int unplayed_ = 0;
    std::uint32_t last_ = 0;
};

}  // namespace show
