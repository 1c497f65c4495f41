#include "show/stall.h"

namespace show {

// Unsigned differences: right across the tick count's wrap.
Motion StallWatch::Look(std::optional<double> position, std::uint32_t now) {
    if (!position) {
        seen_.reset();
        return Motion::Stalled;
    }
    if (!seen_ || seen_->position != *position || now - seen_->last > kLooksApartMs) {
        const bool moved = seen_ && seen_->position != *position;
        seen_ = Seen{*position, now, now};
        return moved ? Motion::Moving : Motion::Still;
    }
    seen_->last = now;
    if (now - seen_->since < kStalledMs) return Motion::Still;
    seen_.reset();
    return Motion::Stalled;
}

std::uint32_t Rebuilds::MsUntilDue(std::uint32_t now) const {
    if (unplayed_ < 2) return 0;
    const std::uint32_t gone = now - last_;
    return gone >= kRebuildPatienceMs ? 0 : kRebuildPatienceMs - gone;
}

}  // namespace show
