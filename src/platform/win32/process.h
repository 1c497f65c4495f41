#pragma once
// The running program: its command line, its folder, its way out and its
// error box.
#include "platform/win32/win.h"

#include <string>

#include "platform/process.h"

namespace win32 {

class Process final : public platform::Process {
public:
    std::wstring CommandLine() override;
    std::wstring ProgramFolder() override;
    [[noreturn]] void End() override;
    void ShowError(std::int32_t number, const std::wstring& description) override;
};

// The saver's name from the string table (entry 1), for message box titles.
std::wstring SaverName();

}  // namespace win32
