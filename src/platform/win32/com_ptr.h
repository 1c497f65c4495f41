#pragma once
// An owning COM pointer: one reference, released when it goes.
#include <unknwn.h>

#include <utility>

#include "platform/win32/hresult.h"

namespace win32 {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) attach(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Takes over a reference the caller already owns.
    void attach(T* p) {
        reset();
        p_ = p;
    }
    T* detach() { return std::exchange(p_, nullptr); }
    // For out parameters: drops what is held first.
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // QueryInterface; throws platform::Error on failure.
    template <typename U>
    ComPtr<U> query() const {
        ComPtr<U> result;
        ThrowIfFailed(p_ ? p_->QueryInterface(__uuidof(U), result.put_void()) : E_POINTER);
        return result;
    }

private:
    T* p_ = nullptr;
};

}  // namespace win32
