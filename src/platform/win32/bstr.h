#pragma once
// A BSTR for the length of one call.
#include <string>

#include "platform/win32/hresult.h"

namespace win32 {

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (!text_) ThrowIfFailed(E_OUTOFMEMORY);
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(text_); }
    BSTR get() const { return text_; }

private:
    BSTR text_;
};

}  // namespace win32
