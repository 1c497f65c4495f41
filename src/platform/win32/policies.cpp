#include "platform/win32/policies.h"

#include <cstring>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

constexpr wchar_t kKey[] = L"Software\\Policies\\Trevlin";
constexpr DWORD kLongestText = 256;  // characters; anything longer is no value we take

Policies::Value ReadValue(HKEY root, const std::wstring& name) {
    Policies::Value value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
    DWORD type = REG_NONE;
    wchar_t data[kLongestText + 1] = L"";
    DWORD size = sizeof data - sizeof(wchar_t);
    const LSTATUS read = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return value;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        value.type = type;
        std::memcpy(&value.number, data, sizeof(DWORD));
    } else if (type == REG_SZ) {
        value.type = type;
        value.text.assign(data, size / sizeof(wchar_t));
        while (!value.text.empty() && value.text.back() == L'\0') value.text.pop_back();
    }
    return value;
}

}  // namespace

Policies::Value Policies::Read(platform::PolicyRoot root, const std::wstring& name) {
    const bool machine = root == platform::PolicyRoot::Machine;
    const std::wstring id = (machine ? L"machine\n" : L"user\n") + name;
    Lock held(lock_);
    auto known = read_.find(id);
    if (known == read_.end())
        known = read_.emplace(id, ReadValue(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, name)).first;
    return known->second;
}

std::optional<std::uint32_t> Policies::Number(platform::PolicyRoot root, const std::wstring& name) {
    const Value value = Read(root, name);
    if (value.type != REG_DWORD) return std::nullopt;
    return value.number;
}

std::optional<std::wstring> Policies::Text(platform::PolicyRoot root, const std::wstring& name) {
    Value value = Read(root, name);
    if (value.type != REG_SZ) return std::nullopt;
    return std::move(value.text);
}

}  // namespace win32
