#include "platform/win32/server_library.h"

#include <string>

#include "platform/win32/com_ptr.h"

namespace win32 {
namespace {

std::wstring ServerKey(REFCLSID clsid) {
    wchar_t text[40] = {};
    if (!StringFromGUID2(clsid, text, 40)) return {};
    return std::wstring(L"CLSID\\") + text;
}

bool ReadText(const std::wstring& key, const wchar_t* value, wchar_t* text, DWORD size) {
    DWORD bytes = size * sizeof(wchar_t);
    return RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &bytes) ==
           ERROR_SUCCESS;
}

// The server's file, if its objects may be made straight from it on this
// thread: a single-threaded apartment calls an apartment or both server
// directly, and no other class stands in for this one.
std::wstring DirectServer(REFCLSID clsid) {
    const std::wstring key = ServerKey(clsid);
    if (key.empty()) return {};
    wchar_t unused[64];
    if (ReadText(key + L"\\TreatAs", nullptr, unused, 64)) return {};
    wchar_t model[32] = {};
    if (!ReadText(key + L"\\InprocServer32", L"ThreadingModel", model, 32)) return {};
    if (_wcsicmp(model, L"Apartment") != 0 && _wcsicmp(model, L"Both") != 0) return {};
    wchar_t path[MAX_PATH] = {};
    if (!ReadText(key + L"\\InprocServer32", nullptr, path, MAX_PATH)) return {};
    return path;
}

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

}  // namespace

ServerLibrary::~ServerLibrary() {
    if (module_) FreeLibrary(module_);
}

HRESULT ServerLibrary::Create(REFCLSID clsid, REFIID iid, void** object) {
    *object = nullptr;
    const std::wstring path = DirectServer(clsid);
    if (!path.empty()) {
        if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
            const auto get = ProcAddress<GetClassObject>(module, "DllGetClassObject");
            ComPtr<IClassFactory> factory;
            if (get && SUCCEEDED(get(clsid, __uuidof(IClassFactory), factory.put_void()))) {
                const HRESULT made = factory->CreateInstance(nullptr, iid, object);
                factory.reset();
                if (SUCCEEDED(made)) {
                    module_ = module;
                    return made;
                }
            }
            FreeLibrary(module);
        }
    }
    // Whatever COM can do that a library loaded by hand cannot.
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

}  // namespace win32
