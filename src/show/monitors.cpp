#include "show/monitors.h"

#include <cwctype>

namespace show {

std::vector<platform::Rect> OtherMonitors(const std::vector<platform::Monitor>& monitors) {
    std::vector<platform::Rect> others;
    for (const platform::Monitor& monitor : monitors)
        if (!monitor.primary) others.push_back(monitor.bounds);
    return others;
}

bool VideoOnEveryMonitor(const std::wstring& setting) {
    std::wstring value;
    for (wchar_t c : setting)
        if (c != L' ') value += static_cast<wchar_t>(std::towlower(c));
    return value != L"primary";
}

}  // namespace show
