#pragma once
// Which monitors the saver covers beside Form1's, and what they show.
#include <string>
#include <vector>

#include "platform/monitors.h"

namespace show {

// The monitors other than the primary, which is Form1's, in the system's order.
std::vector<platform::Rect> OtherMonitors(const std::vector<platform::Monitor>& monitors);

// The "monitors" setting: "primary" keeps the other monitors black; anything
// else, "all" and an absent or unknown value included, shows the video on
// every monitor.
bool VideoOnEveryMonitor(const std::wstring& setting);

}  // namespace show
