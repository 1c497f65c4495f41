#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The running program as the platform sees it.
class Process {
public:
    virtual ~Process() = default;
    // Argument text: everything after the program's own path.
    virtual std::wstring CommandLine() = 0;
    // Folder of the running executable, without a trailing separator.
    virtual std::wstring ProgramFolder() = 0;
    // Ends the process at once; no window handler and no code of the caller runs.
    [[noreturn]] virtual void End() = 0;
    // Shows a failure that ends the program: number and description.
    virtual void ShowError(std::int32_t number, const std::wstring& description) = 0;
};

}  // namespace platform
