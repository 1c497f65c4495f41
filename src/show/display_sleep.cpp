#include "show/display_sleep.h"

#include <algorithm>
#include <limits>

namespace show {

std::uint32_t PlanSeconds(const platform::DisplayTimeout& timeout) {
    return timeout.read == platform::PlanRead::Read ? timeout.seconds : 0;
}

std::uint32_t LaterTick(std::uint32_t a, std::uint32_t b) {
    // Ticks less than half the counter's range apart: the difference's sign
    // says which came later, wherever the wrap falls between them.
    return static_cast<std::int32_t>(b - a) > 0 ? b : a;
}

int UntilDisplayOff(std::uint32_t planSeconds, std::uint32_t since, std::uint32_t now) {
    if (planSeconds == 0) return kForever;
    const std::int64_t plan = static_cast<std::int64_t>(planSeconds) * 1000;
    // Unsigned subtraction counts across the wrap; a since "after" now (a
    // clock read in the other order) counts as no time gone by.
    const std::uint32_t gone = now - since;
    const std::int64_t elapsed = static_cast<std::int32_t>(gone) < 0 ? 0 : gone;
    const std::int64_t left = plan - elapsed;
    if (left <= 0) return 0;
    return static_cast<int>(std::min<std::int64_t>(left, std::numeric_limits<int>::max()));
}

}  // namespace show
