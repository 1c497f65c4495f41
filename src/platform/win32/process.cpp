#include "platform/win32/process.h"

#include "platform/win32/exit.h"
#include "platform/win32/program_file.h"
#include "startup/program_path.h"

namespace win32 {

std::wstring SaverName() {
    wchar_t name[128] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), 1, name, 128) > 0) return name;
    return L"Trevlin";
}

std::wstring Process::CommandLine() {
    return startup::ArgumentsAfterProgram(GetCommandLineW(), NamesThisProgram);
}

std::wstring Process::ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void Process::End() { EndProcess(0); }

void Process::ShowError(std::int32_t number, const std::wstring& description) {
    const std::wstring text = L"Run-time error '" + std::to_wstring(number) + L"':\n\n" + description;
    MessageBoxW(nullptr, text.c_str(), SaverName().c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace win32
