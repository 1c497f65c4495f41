#include "settings/policy.h"

#include <cwctype>

#include "settings/ini.h"

namespace ini {
namespace {

std::optional<std::wstring> Sound(platform::Policies& policies, platform::PolicyRoot root) {
    const std::optional<std::uint32_t> value = policies.Number(root, kSoundPolicy);
    if (!value || *value > 1) return std::nullopt;
    return std::to_wstring(*value);
}

std::optional<std::wstring> Monitors(platform::Policies& policies, platform::PolicyRoot root) {
    const std::optional<std::wstring> value = policies.Text(root, kMonitorsPolicy);
    if (!value) return std::nullopt;
    // Spelled as the file may spell it: any case, blanks anywhere.
    std::wstring word;
    for (wchar_t c : *value)
        if (c != L' ') word += static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* known : {L"all", L"primary", L"span"})
        if (word == known) return word;
    return std::nullopt;
}

}  // namespace

std::optional<std::wstring> PolicyValue(platform::Policies& policies, const std::wstring& key) {
    for (platform::PolicyRoot root : {platform::PolicyRoot::Machine, platform::PolicyRoot::User}) {
        std::optional<std::wstring> value;
        if (key == kSound) value = Sound(policies, root);
        if (key == kMonitors) value = Monitors(policies, root);
        if (value) return value;
    }
    return std::nullopt;
}

}  // namespace ini
