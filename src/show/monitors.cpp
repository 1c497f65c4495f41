#include "show/monitors.h"

#include <cwctype>

namespace show {

std::vector<platform::Rect> OtherMonitors(const std::vector<platform::Monitor>& monitors) {
    std::vector<platform::Rect> others;
    for (const platform::Monitor& monitor : monitors)
        if (!monitor.primary) others.push_back(monitor.bounds);
    return others;
}

namespace {

bool Same(const platform::Rect& a, const platform::Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

CoverChanges ChangeCovers(const std::vector<platform::Rect>& covered, const std::vector<platform::Rect>& others) {
    std::vector<bool> coverKept(covered.size(), false), monitorCovered(others.size(), false);
    for (std::size_t m = 0; m < others.size(); ++m)
        for (std::size_t c = 0; c < covered.size(); ++c)
            if (!coverKept[c] && Same(covered[c], others[m])) {
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

bool VideoOnEveryMonitor(const std::wstring& setting) {
    std::wstring value;
    for (wchar_t c : setting)
        if (c != L' ') value += static_cast<wchar_t>(std::towlower(c));
    return value != L"primary";
}

}  // namespace show
