#include "show/monitors.h"

#include <algorithm>
#include <cwctype>

namespace show {

std::vector<platform::Rect> OtherMonitors(const std::vector<platform::Monitor>& monitors) {
    std::vector<platform::Rect> others;
    for (const platform::Monitor& monitor : monitors)
        if (!monitor.primary) others.push_back(monitor.bounds);
    return others;
}

MonitorUse ReadMonitorUse(const std::wstring& setting) {
    std::wstring value;
    for (wchar_t c : setting)
        if (c != L' ') value += static_cast<wchar_t>(std::towlower(c));
    if (value == L"primary") return MonitorUse::Primary;
    if (value == L"span") return MonitorUse::Span;
    return MonitorUse::All;
}

std::vector<platform::Part> MonitorParts(const std::vector<platform::Monitor>& monitors, MonitorUse use) {
    std::vector<platform::Part> parts(monitors.size());
    if (use != MonitorUse::Span || monitors.empty()) return parts;
    platform::Rect all = monitors.front().bounds;
    for (const platform::Monitor& monitor : monitors) {
        all.left = std::min(all.left, monitor.bounds.left);
        all.top = std::min(all.top, monitor.bounds.top);
        all.right = std::max(all.right, monitor.bounds.right);
        all.bottom = std::max(all.bottom, monitor.bounds.bottom);
    }
    const double width = all.right - all.left, height = all.bottom - all.top;
    if (width <= 0 || height <= 0) return parts;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const platform::Rect& r = monitors[i].bounds;
        parts[i] = {(r.left - all.left) / width, (r.top - all.top) / height, (r.right - all.left) / width,
                    (r.bottom - all.top) / height};
    }
    return parts;
}

}  // namespace show
