#pragma once
// Where the program's own path ends on its command line. Windows starts the
// chosen screen saver from the registry value as it stands, unquoted: where
// short names are off, a long path with a blank in it ("C:\Users\Ann Lee\...")
// would otherwise be cut at its first blank, and the switch read from the
// rest of the path.
#include <functional>
#include <string>

namespace startup {

// True when the text names the running program's own file (by the file's
// identity, not its text: the registry may hold the short form).
using NamesThisProgram = std::function<bool(const std::wstring& path)>;

// Everything after the program's path and the one blank that follows it. A
// quoted path ends at its closing quote. An unquoted one is the longest run
// of text, ending at a blank or at the end, that names this program; when
// none does, it ends at the first blank.
std::wstring ArgumentsAfterProgram(const std::wstring& commandLine, const NamesThisProgram& namesThisProgram);

}  // namespace startup
