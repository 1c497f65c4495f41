#pragma once
#include <cstdint>
#include <string>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // The shell's "open" of a web address, owned by window, show command 0.
    virtual void Open(std::intptr_t window, const std::wstring& address) = 0;
};

}  // namespace platform
