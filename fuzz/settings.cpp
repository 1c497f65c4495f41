// The settings file against the fake profile (the platform's truncation: at most
// size - 1 characters copied, the default included): ReadIni's 254-character limit,
// WriteIni's one-for-one line-break replacement, and the dialog loading a "sound"
// value into its check box and saving it back.
//
// Input: the stored value, then optionally a NUL and the default to read with.
#include "convert.h"
#include "fake_platform.h"
#include "form1.h"
#include "fuzz_support.h"
#include "settings/ini.h"
#include "startup/run_mode.h"

namespace {

const std::wstring kFile = L"C:\\Saver\\Trevlin.ini";

void CheckReadAndWrite(const std::wstring& value, const std::wstring& def) {
    fakes::CallLog log;
    fakes::FakeProfile profile{log};

    profile.Set(kFile, ini::kSound, value);
    const std::wstring read = ini::ReadIni(profile, kFile, ini::kSection, ini::kSound, def);
    FUZZ_CHECK(read.size() <= 254, value);
    // Exactly the stored value when it is short enough, its first 254 characters otherwise.
    FUZZ_CHECK(read == value.substr(0, 254), value);
    // A missing key or file gives the default, under the same limit.
    FUZZ_CHECK(ini::ReadIni(profile, kFile, ini::kSection, ini::kPath, def) == def.substr(0, 254), def);
    FUZZ_CHECK(ini::ReadIni(profile, L"D:\\Elsewhere\\Trevlin.ini", ini::kSection, ini::kSound, def) ==
                   def.substr(0, 254),
               def);

    // Every carriage return and line feed becomes one space; nothing else changes.
    FUZZ_CHECK(ini::WriteIni(profile, kFile, ini::kSection, ini::kPath, value), value);
    const std::wstring stored = profile.files[kFile][ini::kSection + L"/" + ini::kPath];
    FUZZ_CHECK(stored.size() == value.size(), value);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const bool lineBreak = value[i] == L'\r' || value[i] == L'\n';
        FUZZ_CHECK(stored[i] == (lineBreak ? L' ' : value[i]), value);
    }
    FUZZ_CHECK(ini::ReadIni(profile, kFile, ini::kSection, ini::kPath, def) == stored.substr(0, 254), value);

    // A write the platform refuses is reported and changes nothing.
    const auto before = profile.files;
    profile.writesFail = true;
    FUZZ_CHECK(!ini::WriteIni(profile, kFile, ini::kSection, ini::kSound, value), value);
    FUZZ_CHECK(profile.files == before, value);
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

void CheckDialogLoad(const std::wstring& value) {
    PreviewMode = false;
    ConfigMode = true;
    fakes::FakePlatform f;
    Form1 form{f.platform};
    f.SetSetting(ini::kSound, value);
    const std::wstring read = value.substr(0, 254);
    const auto state = fuzz::Run<std::int16_t>(convert::ToInteger, read);
    const bool usable = state.value && *state.value >= 0 && *state.value <= 2;

    try {
        form.ConfigBranch();
    } catch (const platform::Error& e) {
        FUZZ_CHECK(!usable, value);
        FUZZ_CHECK(e.number == (state.value ? platform::errors::InvalidPropertyValue : state.error), value);
        // The message names the file and the setting as it was read, so it can be mended.
        FUZZ_CHECK(Contains(e.description, kFile) && Contains(e.description, L"sound=" + read), value);
        FUZZ_CHECK(f.log.Named("Window.SetCheckState").empty() && f.log.Named("Window.SetCaption").empty(), value);
        FUZZ_CHECK(f.log.Named("Profile.WriteString").empty(), value);
        return;
    }
    FUZZ_CHECK(usable && f.window.check == *state.value, value);
    FUZZ_CHECK(f.log.calls.back() == "Window.SetCaption(Configure)", value);

    // OK saves what the box shows; the next dialog opens showing the same.
    try {
        form.CmdOK_Click();
        fuzz::Fail("OK did not end the program", value);
    } catch (const fakes::ProgramEnded&) {
    }
    FUZZ_CHECK(f.profile.files[f.SettingsFile()][L"config/sound"] == std::to_wstring(*state.value), value);
    Form1 next{f.platform};
    f.window.check = -1;
    next.ConfigBranch();
    FUZZ_CHECK(f.window.check == *state.value, value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = fuzz::Fields(data, size);
    const std::wstring& value = fields[0];
    CheckReadAndWrite(value, fields.size() > 1 ? fields[1] : ini::kSoundDefault);
    CheckDialogLoad(value);
    return 0;
}
