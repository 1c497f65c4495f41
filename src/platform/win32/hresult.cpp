// DirectShow pulls in strsafe.h, which would ban the plain string calls.
#define STRSAFE_NO_DEPRECATE
#include "platform/win32/hresult.h"

#include <dshow.h>

#include <cwchar>

namespace win32 {

std::wstring DescribeHresult(HRESULT hr) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(hr), 0,
                                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring description;
    if (n && text) {
        description.assign(text, n);
        while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r' ||
                                         description.back() == L' '))
            description.pop_back();
    }
    if (text) LocalFree(text);
    if (description.empty()) {
        // DirectShow's own codes are not in the system's message table. Its
        // library is asked only then: loaded at start, it and what it pulls in
        // cost every run, the ones that end at once among them.
        using GetErrorText = DWORD(WINAPI*)(HRESULT, LPWSTR, DWORD);
        if (HMODULE quartz = LoadLibraryW(L"quartz.dll")) {
            auto errorText = ProcAddress<GetErrorText>(quartz, "AMGetErrorTextW");
            wchar_t buffer[MAX_ERROR_TEXT_LEN] = {};
            if (errorText && errorText(hr, buffer, MAX_ERROR_TEXT_LEN)) description = buffer;
        }
    }
    if (description.empty()) {
        wchar_t hex[32];
        swprintf(hex, 32, L"Error 0x%08X", static_cast<unsigned>(hr));
        description = hex;
    }
    return description;
}

platform::Error ErrorFromHresult(HRESULT hr) {
    return platform::Error{static_cast<std::int32_t>(hr), DescribeHresult(hr)};
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace win32
