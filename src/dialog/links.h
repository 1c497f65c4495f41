#pragma once
// The two web addresses of the configuration dialog, defined here only.
#include <string>

namespace links {

// The maker's web site: shown without, opened with the final "/".
inline const std::wstring kMakerSite = L"http://www.trevlin.example";
// The codec vendor's download page: shown and opened as it stands. Short enough for its
// label to show it on one line in Arial 12 pt (about 285 of 313 pixels at 96 DPI).
inline const std::wstring kCodecPage = L"http://codec.test/download/windows.html";

}  // namespace links
