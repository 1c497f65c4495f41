// The configuration branch and the dialog's click handlers.
#include "convert.h"
#include "dialog/links.h"
#include "form1.h"
#include "platform/error.h"
#include "settings/ini.h"

using platform::Control;

void Form1::ConfigBranch() {
    for (Control c : {Control::CmdCancel, Control::CmdOK, Control::Label1, Control::Label2,
                      Control::Label3, Control::Label4, Control::Check1})
        p_.window.ShowControl(c);
    const std::wstring file = ini::SettingsFile(p_.process);
    const std::wstring sound = ini::ReadIni(p_.profile, file, ini::kSection, ini::kSound, ini::kSoundDefault);
    try {
        const std::int16_t state = convert::ToInteger(sound);
        if (state < 0 || state > 2) throw platform::MakeError(platform::errors::InvalidPropertyValue);
        p_.window.SetCheckState(state);
    } catch (platform::Error& e) {
        // Say which setting is at fault, so it can be mended by hand.
        e.description += L"\n\n" + file + L"\n[" + ini::kSection + L"] " + ini::kSound + L"=" + sound;
        throw;
    }
    p_.window.SetFixedDialogBorder();
    p_.window.SetCaption(L"Configure");
}

void Form1::CmdOK_Click() {
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
