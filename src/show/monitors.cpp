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

CoverChanges ChangeCovers(const std::vector<platform::Rect>& covered, const std::vector<platform::Rect>& others) {
    std::vector<bool> coverKept(covered.size(), false), monitorCovered(others.size(), false);
    for (std::size_t m = 0; m < others.size(); ++m)
        for (std::size_t c = 0; c < covered.size(); ++c)
            if (!coverKept[c] && covered[c] == others[m]) {
                coverKept[c] = monitorCovered[m] = true;
                break;
            }
    CoverChanges changes;
    std::size_t c = 0;
    for (std::size_t m = 0; m < others.size(); ++m) {
        if (monitorCovered[m]) continue;
        while (c < covered.size() && coverKept[c]) ++c;
        if (c < covered.size()) {
            changes.moved.emplace_back(c, others[m]);
            coverKept[c] = true;
        } else {
            changes.added.push_back(others[m]);
        }
    }
    for (std::size_t i = covered.size(); i-- > 0;)
        if (!coverKept[i]) changes.removed.push_back(i);
    return changes;
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
