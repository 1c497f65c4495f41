#pragma once
// The settings an administrator fixes through policy, over what Trevlin.ini says.
#include <optional>
#include <string>

#include "platform/policies.h"

namespace ini {

inline const std::wstring kSoundPolicy = L"Sound";        // REG_DWORD 0 or 1
inline const std::wstring kMonitorsPolicy = L"Monitors";  // REG_SZ, a value the "monitors" setting takes

// The value a policy fixes for the settings file's key ("sound", "monitors"), in the file's
// form; nothing when no policy holds it. The machine's policy comes before the user's; a
// value of the wrong type or out of range counts as no value.
std::optional<std::wstring> PolicyValue(platform::Policies& policies, const std::wstring& key);

}  // namespace ini
