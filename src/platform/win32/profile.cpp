#include "platform/win32/profile.h"

#include <algorithm>
#include <utility>

#include "platform/win32/hresult.h"
#include "platform/win32/threads.h"

namespace win32 {
namespace {

// Reading the file would change its time of last access, not these.
bool SameFile(const Profile::Read& a, const Profile::Read& b) {
    return a.fileExists == b.fileExists && a.file.nFileSizeLow == b.file.nFileSizeLow &&
           a.file.nFileSizeHigh == b.file.nFileSizeHigh &&
           CompareFileTime(&a.file.ftLastWriteTime, &b.file.ftLastWriteTime) == 0;
}

}  // namespace

std::size_t Profile::GetString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                               wchar_t* buffer, std::size_t size, const std::wstring& file) {
    if (size == 0) return 0;
    Lock held(lock_);
    Read now;
    now.fileExists = GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &now.file) != FALSE;
    const std::wstring id = file + L'\n' + section + L'\n' + key + L'\n' + def + L'\n' + std::to_wstring(size);
    auto known = reads_.find(id);
    if (known == reads_.end() || !SameFile(known->second, now)) {
        std::wstring value(size, L'\0');
        const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), value.data(),
                                                 static_cast<DWORD>(size), file.c_str());
        now.value.assign(value.data(), std::min<std::size_t>(n, size - 1));
        known = reads_.insert_or_assign(id, std::move(now)).first;
    }
    const std::wstring& value = known->second.value;
    std::copy(value.begin(), value.end(), buffer);
    buffer[value.size()] = L'\0';
    return value.size();
}

bool Profile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                          const std::wstring& file) {
    Lock held(lock_);
    reads_.clear();
    if (WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
        lastFailure_.clear();
        return true;
    }
    lastFailure_ = DescribeHresult(HRESULT_FROM_WIN32(GetLastError()));
    return false;
}

bool Profile::CanWrite(const std::wstring& file) {
    // Opened for writing and closed unwritten, the file keeps its contents and times.
    HANDLE opened = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = opened == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (error == ERROR_FILE_NOT_FOUND) {
        // A missing file is made by the first write: ask the folder with a file of our own.
        const std::wstring probe = file + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
        opened = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        error = opened == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);
    // Only a refusal says no; a file another program holds open may be free again by OK.
    return error != ERROR_ACCESS_DENIED && error != ERROR_WRITE_PROTECT && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace win32
