#include "startup/main.h"

#include <cwctype>

#include "convert.h"
#include "form1.h"
#include "platform/error.h"
#include "startup/run_mode.h"

namespace ini {

std::wstring SwitchText(const std::wstring& arguments) {
    const auto first = arguments.find_first_not_of(L' ');
    if (first == std::wstring::npos) return L"";
    const auto last = arguments.find_last_not_of(L' ');
    std::wstring text = arguments.substr(first, last - first + 1);
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::int32_t HostHandle(const std::wstring& switchText) {
    // The third character is dropped whatever it is: "/P123" gives 23.
    if (switchText.size() < 3) throw platform::MakeError(platform::errors::InvalidArgument);
    return convert::ToLong(switchText.substr(3));
}

void EmbedPreview(platform::WindowApi& windows, std::intptr_t window, std::int32_t host) {
    platform::Rect client;
    windows.GetClientRect(host, client);
    const std::int32_t style = windows.GetWindowLong(window, platform::GWL_STYLE_);
    windows.SetWindowLong(window, platform::GWL_STYLE_,
                          static_cast<std::int32_t>(static_cast<std::uint32_t>(style) | platform::WS_CHILD_));
    windows.SetParent(window, host);
    windows.SetWindowLong(window, platform::GWL_HWNDPARENT_, host);
    windows.SetWindowPos(window, 0, 0, 0, client.right, client.bottom, platform::SWP_PREVIEW_FLAGS);
}

void Main(platform::Platform& platform, Form1& form) {
    const std::wstring switchText = SwitchText(platform.process.CommandLine());
    const std::wstring sw = switchText.substr(0, 2);
    if (sw == L"/S") {
        PreviewMode = false;
        ConfigMode = false;
        form.Load();
    } else if (sw == L"/P") {
        PreviewMode = true;
        ConfigMode = false;
        const std::int32_t host = HostHandle(switchText);
        // No host window, nothing to draw in and nobody to close the preview:
        // it would live on unseen.
        if (!platform.windows.IsWindow(host)) platform.process.End();
        form.Load();
        EmbedPreview(platform.windows, platform.window.Handle(), host);
    } else if (sw == L"/C") {
        PreviewMode = false;
        ConfigMode = true;
        form.Load();
        platform.window.Show();
    } else {
        platform.process.End();
    }
}

}  // namespace ini
