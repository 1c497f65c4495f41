#include "form1.h"

#include "settings/ini.h"
#include "startup/run_mode.h"

Form1::Form1(platform::Platform& platform) : p_(platform) {}

void Form1::Load() {
    p_.window.Create(*this);
    Form_Load();
}

void Form1::Form_Load() {
    InitMouse();
    if (PreviewMode) {
        p_.window.ShowPreviewPicture();
    } else if (ConfigMode) {
        ConfigBranch();
    } else {
        SaverSetUp();
        ShowLoop();
    }
}

void Form1::OnClick(platform::Control control) {
    switch (control) {
    case platform::Control::CmdOK: CmdOK_Click(); break;
    case platform::Control::CmdCancel: CmdCancel_Click(); break;
    case platform::Control::Label3: Label3_Click(); break;
    case platform::Control::Label4: Label4_Click(); break;
    default: break;
    }
}

std::wstring Form1::ReadSetting(const std::wstring& key, const std::wstring& def) {
    return ini::ReadSetting(p_, key, def);
}
