#pragma once
#include <cstdint>

namespace platform {

// Something besides input that the window's wait wakes on: a kernel handle
// that stays set while news is waiting. Whoever wakes on it takes the news,
// so that the next wait does not return at once for the same news.
class WakeUp {
public:
    virtual ~WakeUp() = default;
    // The handle to wait on; 0 when there is none.
    virtual std::intptr_t Handle() = 0;
    virtual void TakeNews() = 0;
};

}  // namespace platform
