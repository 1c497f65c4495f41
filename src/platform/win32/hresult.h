#pragma once
// HRESULTs stop here: a failure becomes the product's platform::Error.
#include "platform/win32/win.h"

#include <string>

#include "platform/error.h"

namespace win32 {

platform::Error ErrorFromHresult(HRESULT hr);
std::wstring DescribeHresult(HRESULT hr);

inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw ErrorFromHresult(hr);
}

// Wide text to the ANSI code page and back, for the narrow calls.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

}  // namespace win32
