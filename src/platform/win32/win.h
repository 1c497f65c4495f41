#pragma once
// <windows.h> for this folder. The seam names a few calls as the platform
// does (GetWindowLong, SetWindowLong, CreateEvent); the A/W macros of the
// same names would rename those methods in this folder only.
#include <windows.h>

#undef GetWindowLong
#undef SetWindowLong
#undef CreateEvent

// A function of a library loaded by hand, as the type it is declared with;
// null when the library has none of that name.
template <typename Function>
Function ProcAddress(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}
