#include "settings/ini.h"

#include <algorithm>

#include "settings/policy.h"

namespace ini {

std::wstring SettingsFile(platform::Process& process) {
    return process.ProgramFolder() + L"\\Trevlin.ini";
}

std::wstring ReadIni(platform::Profile& profile, const std::wstring& file,
                     const std::wstring& section, const std::wstring& key, const std::wstring& def) {
    // A 256-character buffer offered as 255: values come back as at most 254
    // characters, as they always have.
    std::wstring buffer(256, L' ');
    const std::size_t copied = profile.GetString(section, key, def, buffer.data(), 255, file);
    return buffer.substr(0, std::min<std::size_t>(copied, 254));
}

std::wstring ReadSetting(platform::Platform& platform, const std::wstring& key, const std::wstring& def) {
    if (std::optional<std::wstring> fixed = PolicyValue(platform.policies, key)) return *fixed;
    return ReadIni(platform.profile, SettingsFile(platform.process), kSection, key, def);
}

bool WriteIni(platform::Profile& profile, const std::wstring& file, const std::wstring& section,
              const std::wstring& key, const std::wstring& value) {
    std::wstring copy = value;
    for (wchar_t& c : copy)
        if (c == L'\r' || c == L'\n') c = L' ';
    return profile.WriteString(section, key, copy, file);
}

}  // namespace ini
