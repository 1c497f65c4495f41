#pragma once
// Which monitors the saver covers beside Form1's, and what they show.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/monitors.h"
#include "platform/video_part.h"

namespace show {

// The monitors other than the primary, which is Form1's, in the system's order.
std::vector<platform::Rect> OtherMonitors(const std::vector<platform::Monitor>& monitors);

// What becomes of the covers when the monitors change. A cover already over
// one of the other monitors stays; the rest move, in order, to the monitors
// left without one; covers still left go, and monitors still without one get
// new covers. Indices are into the covers' list as it was.
struct CoverChanges {
    std::vector<std::pair<std::size_t, platform::Rect>> moved;
    std::vector<std::size_t> removed;  // highest first, so each can go from the list in turn
    std::vector<platform::Rect> added;
};
CoverChanges ChangeCovers(const std::vector<platform::Rect>& covered, const std::vector<platform::Rect>& others);

// The "monitors" setting, blanks and case aside: "primary" keeps the other
// monitors black; "span" stretches one picture over all of them; anything
// else, "all" and an absent or unknown value included, shows the whole video
// on every monitor.
enum class MonitorUse { Primary, All, Span };
MonitorUse ReadMonitorUse(const std::wstring& setting);

// Each monitor's part of the video, in the order given. Spanned, the video is
// stretched over the smallest rectangle holding every monitor and each shows
// what lies under it; otherwise each shows all of it.
std::vector<platform::Part> MonitorParts(const std::vector<platform::Monitor>& monitors, MonitorUse use);

}  // namespace show
