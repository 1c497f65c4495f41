#pragma once
// <windows.h> for this folder. The seam names a few calls as the platform
// does (GetWindowLong, SetWindowLong, CreateEvent); the A/W macros of the
// same names would rename those methods in this folder only.
#include <windows.h>

#undef GetWindowLong
#undef SetWindowLong
#undef CreateEvent
