#pragma once
// Values an administrator sets under Software\Policies\Trevlin.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class PolicyRoot { Machine, User };  // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER

class Policies {
public:
    virtual ~Policies() = default;
    // The value of that name when it is there with that type and readable; nothing otherwise.
    virtual std::optional<std::uint32_t> Number(PolicyRoot root, const std::wstring& name) = 0;
    virtual std::optional<std::wstring> Text(PolicyRoot root, const std::wstring& name) = 0;
};

}  // namespace platform
