#pragma once
#include "platform/win32/win.h"

#include "platform/clock.h"

namespace win32 {

class Clock final : public platform::Clock {
public:
    std::int64_t Milliseconds() override { return static_cast<std::int64_t>(GetTickCount64()); }
};

}  // namespace win32
