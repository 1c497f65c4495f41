#pragma once
// The two web addresses of the configuration dialog, defined here only.
#include <string>

namespace links {

// The maker's web site: shown without, opened with the final "/".
inline const std::wstring kMakerSite = L"http://www.trevlin.example";
// The codec vendor's download page: shown and opened as it stands.
inline const std::wstring kCodecPage = L"http://www.codec.example/download/windows.html";

}  // namespace links
