#pragma once
// Owners for the handles the window loads and makes: each is freed once, by
// whoever holds it last.
#include "platform/win32/win.h"

#include <utility>

namespace win32 {

template <typename Handle, void (*Free)(Handle)>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }

    void reset(Handle handle = nullptr) {
        if (Handle old = std::exchange(handle_, handle)) Free(old);
    }
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

inline void FreeFont(HFONT font) { DeleteObject(font); }
inline void FreeIcon(HICON icon) { DestroyIcon(icon); }

using OwnedFont = Owned<HFONT, &FreeFont>;
using OwnedIcon = Owned<HICON, &FreeIcon>;

}  // namespace win32
