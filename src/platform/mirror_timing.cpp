#include "platform/mirror_timing.h"

namespace platform {

void MirrorTiming::Handed(std::int64_t start, std::int64_t now) {
    if (havePrevious_ && start > previousStart_) {
        const std::int64_t estimate = now - previousStart_;
        if (!haveStreamStart_ || estimate < streamStart_) streamStart_ = estimate;
        haveStreamStart_ = true;
    } else if (havePrevious_) {
        haveStreamStart_ = false;
    }
    havePrevious_ = true;
    previousStart_ = start;
}

std::int64_t MirrorTiming::Wait(std::int64_t start, std::int64_t now) const {
    if (!haveStreamStart_) return 0;
    const std::int64_t wait = streamStart_ + start - now;
    return wait > 0 && wait < kLongestWait ? wait : 0;
}

}  // namespace platform
