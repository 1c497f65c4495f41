// The command line: the switch text, the preview host handle, and ini::Main's
// choice of run mode with Form1 loaded over the recording fakes.
//
// Input: the argument text; then, each after a NUL and each optional, the stored
// "sound" value, the stored "path" value, and option bytes: byte 0 bit 0 says the
// host window is gone, bits 1 and 2 are the run-mode flags before Main runs;
// byte 1 picks how the saver is ended and after how many passes; every further
// byte names a platform call that fails.
#include <algorithm>
#include <iterator>

#include "convert.h"
#include "fake_platform.h"
#include "form1.h"
#include "fuzz_support.h"
#include "settings/ini.h"
#include "startup/main.h"
#include "startup/run_mode.h"

namespace {

using fuzz::Run;

std::wstring TrimSpaces(const std::wstring& text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

void CheckSwitchText(const std::wstring& arguments) {
    const std::wstring text = ini::SwitchText(arguments);
    FUZZ_CHECK(ini::SwitchText(text) == text, arguments);
    FUZZ_CHECK(text.empty() || (text.front() != L' ' && text.back() != L' '), arguments);
    // Only spaces go, only at the ends; ASCII letters are upper-cased and no other
    // ASCII character changes (the mode is chosen on ASCII).
    const std::wstring trimmed = TrimSpaces(arguments);
    FUZZ_CHECK(text.size() == trimmed.size(), arguments);
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        const wchar_t c = trimmed[i];
        if (c >= L'a' && c <= L'z') FUZZ_CHECK(text[i] == c - L'a' + L'A', arguments);
        else if (c < 0x80) FUZZ_CHECK(text[i] == c, arguments);
    }
}

void CheckHostHandle(const std::wstring& text) {
    const auto host = Run<std::int32_t>(ini::HostHandle, text);
    if (text.size() < 3) {
        FUZZ_CHECK(host.error == platform::errors::InvalidArgument, text);
        return;
    }
    // The third character is dropped whatever it is; the rest is ToLong's.
    const std::wstring number = text.substr(3);
    const auto converted = Run<std::int32_t>(convert::ToLong, number);
    FUZZ_CHECK(host.value == converted.value && host.error == converted.error, text);
    FUZZ_CHECK(host.value || host.error == platform::errors::Overflow || host.error == platform::errors::TypeMismatch,
               text);
    if (const auto exact = fuzz::ExactRounded(number)) fuzz::CheckAgainstExact(host, *exact, text);
    if (host.value) {
        // The handle written as the display settings write it reads back the same.
        for (const wchar_t* prefix : {L"/P ", L"/P:", L"/P  "}) {
            const auto again = Run<std::int32_t>(ini::HostHandle, prefix + std::to_wstring(*host.value));
            FUZZ_CHECK(again.value == host.value, text);
        }
    }
}

// Calls the options may make fail, as a refused platform call does.
const char* const kFailable[] = {
    "Window.Create", "Window.Show", "Window.ShowControl", "Window.SetCheckState", "Window.SetCaption",
    "Window.ShowPreviewPicture", "Window.DoEvents", "Window.WaitForInput", "Window.SetWidth", "IsWindow",
    "GetClientRect", "GetWindowLong", "SetWindowLong", "SetParent", "SetWindowPos", "ShowCursor",
    "Profile.GetString", "CreateFilgraphManager", "MediaControl.RenderFile", "MediaControl.Run",
    "MediaControl.QueryBasicAudio", "MediaControl.QueryVideoWindow", "MediaControl.QueryMediaPosition",
    "MediaPosition.get_CurrentPosition", "MediaPosition.put_CurrentPosition", "VideoWindow.put_Owner",
    "BasicAudio.put_Volume", "Mp3.put_URL", "Mp3.controls", "Mp3.playState", "Mp3.currentMedia",
    "CreateDirectX8", "Dx.DirectInputCreate", "DI.CreateDevice", "Dx.CreateEvent", "Mouse.Acquire",
    "Mouse.GetDeviceData",
};

// Thrown when the saver is still running after every scripted pass.
struct StillRunning {};

enum class Outcome { Returned, Ended, Raised, StillRunning };

struct Result {
    Outcome outcome = Outcome::Returned;
    std::int32_t error = 0;
};

// The ways the user ends the saver, delivered inside a pass's DoEvents.
void EndTheSaver(fakes::FakePlatform& f, int how) {
    switch (how) {
    case 0: f.window.events->OnKeyPress(); break;
    case 1: f.window.events->OnMouseDown(); break;
    case 2:
        for (int i = 0; i < 6; ++i) f.window.events->OnMouseMove();
        break;
    default:
        f.directx.batches = {{platform::DeviceObjectData{platform::DIMOFS_X, 3, 0, 0, 0}}};
        if (f.directx.callback) f.directx.callback->DXCallback(f.directx.eventId);
        break;
    }
}

std::size_t Count(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

void CheckMain(const std::vector<std::wstring>& fields) {
    const std::wstring& arguments = fields[0];
    fakes::FakePlatform f;
    f.process.commandLine = arguments;
    if (fields.size() > 1) f.SetSetting(ini::kSound, fields[1]);
    if (fields.size() > 2) f.SetSetting(ini::kPath, fields[2]);
    const std::wstring options = fields.size() > 3 ? fields[3] : L"";
    const unsigned flags = options.size() > 0 ? static_cast<unsigned>(options[0]) : 0;
    const unsigned ending = options.size() > 1 ? static_cast<unsigned>(options[1]) : 0;
    f.windows.hostExists = (flags & 1) == 0;
    PreviewMode = (flags & 2) != 0;
    ConfigMode = (flags & 4) != 0;
    for (std::size_t i = 2; i < options.size(); ++i)
        f.log.failing.insert(kFailable[static_cast<unsigned>(options[i]) % std::size(kFailable)]);
    const bool failures = !f.log.failing.empty();

    // The user ends the saver in the chosen pass; a saver still running after
    // that breaks the rule that input ends it.
    const std::size_t passes = 1 + ending % 3;
    const int how = static_cast<int>(ending / 3 % 4);
    f.window.script.assign(passes - 1, [] {});
    f.window.script.push_back([&f, how] { EndTheSaver(f, how); });
    f.window.script.push_back([] { throw StillRunning{}; });

    Form1 form{f.platform};
    Result run;
    try {
        ini::Main(f.platform, form);
    } catch (const fakes::ProgramEnded&) {
        run.outcome = Outcome::Ended;
    } catch (const platform::Error& e) {
        run.outcome = Outcome::Raised;
        run.error = e.number;
        FUZZ_CHECK(!e.description.empty(), arguments);
    } catch (const StillRunning&) {
        // Only a device that cannot be read may miss the movement that ends it.
        if (!(failures && how == 3)) fuzz::Fail("the saver runs on after the user ended it", arguments);
        run.outcome = Outcome::StillRunning;
    }
    const auto& calls = f.log.calls;
    // Nothing runs after the program has ended.
    if (run.outcome == Outcome::Ended) FUZZ_CHECK(calls.back() == "End()", arguments);

    const std::wstring text = ini::SwitchText(arguments);
    const std::wstring sw = text.substr(0, 2);
    if (sw == L"/S") {
        FUZZ_CHECK(!PreviewMode && !ConfigMode, arguments);
        FUZZ_CHECK(run.outcome != Outcome::Returned, arguments);
        if (failures) return;
        FUZZ_CHECK(run.outcome == Outcome::Ended && calls.front() == "Window.Create()", arguments);
        FUZZ_CHECK(Count(calls, "Window.DoEvents()") == passes && Count(calls, "End()") == 1, arguments);
    } else if (sw == L"/P") {
        FUZZ_CHECK(PreviewMode && !ConfigMode, arguments);
        const auto host = Run<std::int32_t>(ini::HostHandle, text);
        if (!host.value) {
            // A handle that does not convert ends the start before any window exists.
            FUZZ_CHECK(run.outcome == Outcome::Raised && run.error == host.error, arguments);
            FUZZ_CHECK(f.log.Named("Window").empty(), arguments);
            return;
        }
        FUZZ_CHECK(calls.front() == "IsWindow(" + std::to_string(*host.value) + ")", arguments);
        if (failures) return;
        if (!f.windows.hostExists) {
            FUZZ_CHECK(run.outcome == Outcome::Ended && calls.size() == 2, arguments);
            return;
        }
        FUZZ_CHECK(run.outcome == Outcome::Returned, arguments);
        // Shown by the embedding alone, never by the window's own show.
        FUZZ_CHECK(Count(calls, "Window.Show()") == 0 && Count(calls, "Window.ShowPreviewPicture()") == 1,
                   arguments);
        const std::string h = std::to_string(*host.value);
        FUZZ_CHECK(Count(calls, "SetParent(4660," + h + ")") == 1, arguments);
        FUZZ_CHECK(calls.back() == "SetWindowPos(4660,0,0,0,200,150,0x54)", arguments);
    } else if (sw == L"/C") {
        FUZZ_CHECK(!PreviewMode && ConfigMode, arguments);
        if (failures) return;
        const std::wstring read = (fields.size() > 1 ? fields[1] : ini::kSoundDefault).substr(0, 254);
        const auto state = Run<std::int16_t>(convert::ToInteger, read);
        if (state.value && *state.value >= 0 && *state.value <= 2) {
            FUZZ_CHECK(run.outcome == Outcome::Returned && calls.back() == "Window.Show()", arguments);
            FUZZ_CHECK(f.window.check == *state.value, arguments);
        } else {
            FUZZ_CHECK(run.outcome == Outcome::Raised && Count(calls, "Window.Show()") == 0, arguments);
            FUZZ_CHECK(run.error == (state.value ? platform::errors::InvalidPropertyValue : state.error), arguments);
        }
    } else {
        // Anything else ends at once: no window, no settings, nothing but the end.
        FUZZ_CHECK(run.outcome == Outcome::Ended && calls.size() == 1, arguments);
        return;
    }

    // A preview or a dialog ignores what would end the saver.
    if (run.outcome == Outcome::Returned) {
        FUZZ_CHECK(!InSaverMode(), arguments);
        const std::size_t before = Count(calls, "End()");
        try {
            for (int how2 = 0; how2 < 4; ++how2) EndTheSaver(f, how2);
        } catch (const fakes::ProgramEnded&) {
            fuzz::Fail("input ended a preview or a dialog", arguments);
        } catch (const platform::Error&) {
            FUZZ_CHECK(failures, arguments);
        }
        FUZZ_CHECK(Count(calls, "End()") == before, arguments);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = fuzz::Fields(data, size);
    CheckSwitchText(fields[0]);
    CheckHostHandle(ini::SwitchText(fields[0]));
    CheckMain(fields);
    return 0;
}
