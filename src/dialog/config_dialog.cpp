// The configuration branch and the dialog's click handlers.
#include "convert.h"
#include "dialog/links.h"
#include "form1.h"
#include "platform/error.h"
#include "settings/ini.h"
#include "settings/policy.h"

using platform::Control;

namespace {

// Why the sound setting cannot be changed here, or nothing when it can.
std::optional<std::wstring> SoundLocked(platform::Platform& p, const std::wstring& file) {
    if (ini::PolicyValue(p.policies, ini::kSound)) return L"Set by your organisation";
    if (!p.profile.CanWrite(file)) return L"Only an administrator can change this";
    return std::nullopt;
}

}  // namespace

void Form1::ConfigBranch() {
    for (Control c : {Control::CmdCancel, Control::CmdOK, Control::Label1, Control::Label2,
                      Control::Label3, Control::Label4, Control::Check1})
        p_.window.ShowControl(c);
    const std::wstring file = ini::SettingsFile(p_.process);
    const std::optional<std::wstring> fixed = ini::PolicyValue(p_.policies, ini::kSound);
    const std::wstring sound =
        fixed ? *fixed : ini::ReadIni(p_.profile, file, ini::kSection, ini::kSound, ini::kSoundDefault);
    try {
        const std::int16_t state = convert::ToInteger(sound);
        if (state < 0 || state > 2) throw platform::MakeError(platform::errors::InvalidPropertyValue);
        p_.window.SetCheckState(state);
    } catch (platform::Error& e) {
        // Say which setting is at fault, so it can be mended by hand.
        e.description += L"\n\n" + file + L"\n[" + ini::kSection + L"] " + ini::kSound + L"=" + sound;
        throw;
    }
    // No choice is offered that could not be kept.
    if (const std::optional<std::wstring> why = SoundLocked(p_, file)) {
        soundLocked_ = true;
        p_.window.DisableControl(Control::Check1);
        p_.window.SetControlText(Control::Label5, *why);
        p_.window.ShowControl(Control::Label5);
    }
    p_.window.SetFixedDialogBorder();
    p_.window.SetCaption(L"Configure");
}

void Form1::CmdOK_Click() {
    if (soundLocked_) p_.process.End();  // the box showed what holds; nothing of it is stored
    const std::wstring file = ini::SettingsFile(p_.process);
    const std::wstring value = std::to_wstring(p_.window.CheckState());
    if (!ini::WriteIni(p_.profile, file, ini::kSection, ini::kSound, value)) {
        // Nothing is reported as saved that was not: the dialog stays open.
        p_.window.ShowMessage(L"The setting could not be saved to " + file + L":\n" +
                              p_.profile.LastWriteFailure());
        return;
    }
    p_.process.End();
}

void Form1::CmdCancel_Click() { p_.process.End(); }

void Form1::Label3_Click() { p_.shell.Open(p_.window.Handle(), links::kMakerSite + L"/"); }

void Form1::Label4_Click() { p_.shell.Open(p_.window.Handle(), links::kCodecPage); }
