#pragma once
// Software\Policies\Trevlin in the registry.
#include "platform/win32/win.h"

#include <map>
#include <string>

#include "platform/policies.h"

namespace win32 {

// Each value is read at its first use and kept: the show loop asks many times a
// second, and an administrator's change reaches the saver at its next start.
class Policies final : public platform::Policies {
public:
    std::optional<std::uint32_t> Number(platform::PolicyRoot root, const std::wstring& name) override;
    std::optional<std::wstring> Text(platform::PolicyRoot root, const std::wstring& name) override;

    struct Value {
        DWORD type = REG_NONE;  // REG_NONE: absent or unreadable
        std::wstring text;
        DWORD number = 0;
    };

private:
    Value Read(platform::PolicyRoot root, const std::wstring& name);

    std::map<std::wstring, Value> read_;  // by root and name
    SRWLOCK lock_ = SRWLOCK_INIT;         // the graph's build reads "sound" on its own thread
};

}  // namespace win32
