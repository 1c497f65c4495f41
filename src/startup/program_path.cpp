#include "startup/program_path.h"

namespace startup {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::size_t EndOfQuoted(const std::wstring& line) {
    const auto close = line.find(L'"', 1);
    return close == std::wstring::npos ? line.size() : close + 1;
}

std::size_t EndOfUnquoted(const std::wstring& line, const NamesThisProgram& namesThisProgram) {
    std::size_t firstBlank = line.size();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (IsBlank(line[i])) {
            firstBlank = i;
            break;
        }
    }
    // Only a path with a blank in it needs asking; the longest one wins, as
    // it is the one the system could have started.
    for (std::size_t end = line.size(); end > firstBlank; --end) {
        if (end < line.size() && !IsBlank(line[end])) continue;
        if (IsBlank(line[end - 1])) continue;
        if (namesThisProgram(line.substr(0, end))) return end;
    }
    return firstBlank;
}

}  // namespace

std::wstring ArgumentsAfterProgram(const std::wstring& commandLine, const NamesThisProgram& namesThisProgram) {
    if (commandLine.empty()) return L"";
    std::size_t end = commandLine.front() == L'"' ? EndOfQuoted(commandLine)
                                                  : EndOfUnquoted(commandLine, namesThisProgram);
    if (end < commandLine.size() && IsBlank(commandLine[end])) ++end;
    return commandLine.substr(end);
}

}  // namespace startup
