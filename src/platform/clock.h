#pragma once
#include <cstdint>

namespace platform {

// A steady count of milliseconds, for how long something has lasted.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t Milliseconds() = 0;
};

}  // namespace platform
