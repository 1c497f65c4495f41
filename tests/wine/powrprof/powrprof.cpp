// A stand-in powrprof.dll for the Wine tests: Wine's knows no power plan.
// The "turn off the display after" seconds come from the environment:
// TREVLIN_TEST_PLAN_AC and TREVLIN_TEST_PLAN_DC (unset: the call fails as a
// missing setting does). TREVLIN_TEST_EXECUTION_STATE, when set, is what
// CallNtPowerInformation reports as the system's execution state; every other
// question goes to ntdll as Wine's own powrprof.dll sends it.
#include <windows.h>

#include <cstdlib>

namespace {

// {381B4222-F694-41F0-9685-FF5BB260DF2E}, the balanced plan's GUID.
constexpr GUID kBalanced{0x381B4222, 0xF694, 0x41F0, {0x96, 0x85, 0xFF, 0x5B, 0xB2, 0x60, 0xDF, 0x2E}};
constexpr int kSystemExecutionState = 16;

DWORD ReadSeconds(const char* variable, const GUID* scheme, DWORD* value) {
    if (!scheme || !value || !IsEqualGUID(*scheme, kBalanced)) return ERROR_INVALID_PARAMETER;
    const char* text = std::getenv(variable);
    if (!text || !*text) return ERROR_FILE_NOT_FOUND;
    *value = static_cast<DWORD>(std::strtoul(text, nullptr, 10));
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

// As Windows does: the caller frees the GUID with LocalFree.
__declspec(dllexport) DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** scheme) {
    if (!scheme) return ERROR_INVALID_PARAMETER;
    *scheme = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
    if (!*scheme) return ERROR_NOT_ENOUGH_MEMORY;
    **scheme = kBalanced;
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID* scheme, const GUID*, const GUID*,
                                                         DWORD* value) {
    return ReadSeconds("TREVLIN_TEST_PLAN_AC", scheme, value);
}

__declspec(dllexport) DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID* scheme, const GUID*, const GUID*,
                                                         DWORD* value) {
    return ReadSeconds("TREVLIN_TEST_PLAN_DC", scheme, value);
}

__declspec(dllexport) LONG WINAPI CallNtPowerInformation(int level, void* in, ULONG inLength, void* out,
                                                         ULONG outLength) {
    const char* state = std::getenv("TREVLIN_TEST_EXECUTION_STATE");
    if (level == kSystemExecutionState && state && *state) {
        if (!out || outLength < sizeof(ULONG)) return static_cast<LONG>(0xC0000023);  // STATUS_BUFFER_TOO_SMALL
        *static_cast<ULONG*>(out) = static_cast<ULONG>(std::strtoul(state, nullptr, 0));
        return 0;
    }
    using Nt = LONG(WINAPI*)(int, void*, ULONG, void*, ULONG);
    const auto nt = reinterpret_cast<Nt>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtPowerInformation")));
    return nt ? nt(level, in, inLength, out, outLength) : static_cast<LONG>(0xC0000002);
}

}  // extern "C"
