#pragma once
// The settings file Trevlin.ini beside the executable, section "config".
// Nothing is cached: every caller reads the file anew.
#include <string>

#include "platform/platform.h"

namespace ini {

inline const std::wstring kSection = L"config";
inline const std::wstring kSound = L"sound";      // "1" plays sound
inline const std::wstring kSoundDefault = L"1";
inline const std::wstring kPath = L"path";        // media folder, used as a plain prefix
inline const std::wstring kPathDefault = L"";
inline const std::wstring kMonitors = L"monitors";  // "all", "primary" (the others black) or "span"
inline const std::wstring kMonitorsDefault = L"all";

// The program folder followed by "\Trevlin.ini", formed anew for every call.
std::wstring SettingsFile(platform::Process& process);

// The stored value, at most 254 characters, or def when the file, section or key is missing.
std::wstring ReadIni(platform::Profile& profile, const std::wstring& file,
                     const std::wstring& section, const std::wstring& key, const std::wstring& def);

// What the saver reads: the policy's value where one holds the key, else ReadIni of
// the settings file's section "config".
std::wstring ReadSetting(platform::Platform& platform, const std::wstring& key, const std::wstring& def);

// Stores value with every carriage return and line feed turned into a space.
// False when the platform could not store it.
bool WriteIni(platform::Profile& profile, const std::wstring& file, const std::wstring& section,
              const std::wstring& key, const std::wstring& value);

}  // namespace ini
