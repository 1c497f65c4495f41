#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

class Form1;

namespace ini {

// Reads the command line, sets the run mode and loads Form1 in that mode.
void Main(platform::Platform& platform, Form1& form);

// The argument text trimmed of spaces (only spaces) and upper-cased.
std::wstring SwitchText(const std::wstring& arguments);

// The preview host handle: everything from the fourth character on.
std::int32_t HostHandle(const std::wstring& switchText);

// Places the loaded window inside the host's preview window.
void EmbedPreview(platform::WindowApi& windows, std::intptr_t window, std::int32_t host);

}  // namespace ini
