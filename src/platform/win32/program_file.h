#pragma once
#include <string>

namespace win32 {

// The path names the running program's own file: the same file, whatever the
// text (long or short names, another case, a relative path).
bool NamesThisProgram(const std::wstring& path);

}  // namespace win32
