#include "platform/win32/program_file.h"

#include "platform/win32/win.h"

namespace win32 {
namespace {

struct FileIdentity {
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    bool known = false;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const wchar_t* path) {
    // Asks for no access to the contents: an open that cannot disturb anyone.
    const HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    FileIdentity identity;
    if (GetFileInformationByHandle(file, &info))
        identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
    CloseHandle(file);
    return identity;
}

FileIdentity ThisProgram() {
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    if (n == 0 || n >= ARRAYSIZE(path)) return {};
    return IdentityOf(path);
}

}  // namespace

bool NamesThisProgram(const std::wstring& path) {
    const FileIdentity candidate = IdentityOf(path.c_str());
    if (!candidate.known) return false;
    static const FileIdentity self = ThisProgram();
    return self.known && candidate == self;
}

}  // namespace win32
