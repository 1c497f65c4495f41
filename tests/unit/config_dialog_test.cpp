#include "dialog/links.h"
#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class ConfigDialogTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        SetMode(false, true);
    }
    std::wstring StoredSound() { return f.profile.files[f.SettingsFile()][L"config/sound"]; }
};

TEST_F(ConfigDialogTest, BranchShowsControlsLoadsSoundThenBecomesADialog) {
    f.SetSetting(L"sound", L"0");
    form.Load();
    EXPECT_THAT(f.log.Named("Window"),
                ElementsAre("Window.Create()", "Window.ShowControl(CmdCancel)", "Window.ShowControl(CmdOK)",
                            "Window.ShowControl(Label1)", "Window.ShowControl(Label2)", "Window.ShowControl(Label3)",
                            "Window.ShowControl(Label4)", "Window.ShowControl(Check1)", "Window.SetCheckState(0)",
                            "Window.SetFixedDialogBorder()", "Window.SetCaption(Configure)"));
}

TEST_F(ConfigDialogTest, SoundValuesLoadIntoTheCheckBox) {
    struct Case {
        const wchar_t* stored;
        std::int16_t state;
    };
    for (const Case& c : {Case{L"0", 0}, Case{L"1", 1}, Case{L"01", 1}, Case{L"2", 2}, Case{L" 1 ", 1}}) {
        f.SetSetting(L"sound", c.stored);
        form.ConfigBranch();
        EXPECT_EQ(f.window.check, c.state) << fakes::Narrow(c.stored);
    }
    f.profile.files.clear();
    form.ConfigBranch();
    EXPECT_EQ(f.window.check, 1);
}

TEST_F(ConfigDialogTest, AnUnusableSoundValueEndsTheStartWithAMessageNamingIt) {
    for (const wchar_t* stored : {L"on", L"", L"3", L"-1", L"40000"}) {
        f.log.Clear();
        f.SetSetting(L"sound", stored);
        try {
            form.ConfigBranch();
            ADD_FAILURE() << fakes::Narrow(stored) << " was accepted";
        } catch (const platform::Error& e) {
            EXPECT_THAT(fakes::Narrow(e.description), HasSubstr("C:\\Saver\\Trevlin.ini"));
            EXPECT_THAT(fakes::Narrow(e.description), HasSubstr("sound=" + fakes::Narrow(stored)));
        }
        EXPECT_THAT(f.log.Named("Window.SetCaption"), IsEmpty());
        EXPECT_THAT(f.log.Named("Profile.WriteString"), IsEmpty());
    }
}

TEST_F(ConfigDialogTest, OkSavesTheBoxStateThenEnds) {
    for (std::int16_t state : {std::int16_t{0}, std::int16_t{1}, std::int16_t{2}}) {
        f.window.check = state;
        EXPECT_THROW(form.CmdOK_Click(), fakes::ProgramEnded);
        EXPECT_EQ(StoredSound(), std::to_wstring(state));
    }
}

TEST_F(ConfigDialogTest, AFailedSaveIsReportedAndTheDialogStays) {
    f.profile.writesFail = true;
    EXPECT_NO_THROW(form.CmdOK_Click());
    EXPECT_THAT(f.log.Named("End"), IsEmpty());
    EXPECT_THAT(fakes::Narrow(f.window.lastMessage), HasSubstr("C:\\Saver\\Trevlin.ini"));
    EXPECT_THAT(fakes::Narrow(f.window.lastMessage), HasSubstr("Access denied."));
}

TEST_F(ConfigDialogTest, CancelEndsWithoutSaving) {
    EXPECT_THROW(form.CmdCancel_Click(), fakes::ProgramEnded);
    EXPECT_THAT(f.log.Named("Profile"), IsEmpty());
}

TEST_F(ConfigDialogTest, LinksOpenTheirPagesAndTheDialogStays) {
    form.Label3_Click();
    form.Label4_Click();
    form.Label3_Click();
    EXPECT_THAT(f.log.calls, ElementsAre("Shell.Open(4660,http://www.trevlin.example/)",
                                         "Shell.Open(4660,http://codec.test/download/windows.html)",
                                         "Shell.Open(4660,http://www.trevlin.example/)"));
}

TEST_F(ConfigDialogTest, ClicksReachTheirHandlers) {
    f.window.Create(form);
    f.log.Clear();
    f.window.events->OnClick(platform::Control::Label4);
    f.window.events->OnClick(platform::Control::Check1);  // no handler of its own
    EXPECT_THROW(f.window.events->OnClick(platform::Control::CmdCancel), fakes::ProgramEnded);
    EXPECT_THAT(f.log.calls, ElementsAre("Shell.Open(4660,http://codec.test/download/windows.html)", "End()"));
}

// A sound setting the dialog cannot change is shown as it holds, greyed, with why; OK keeps the file as it was.
TEST_F(ConfigDialogTest, ALockedSoundIsShownGreyedAndOkStoresNothing) {
    using platform::PolicyRoot;
    struct Case {
        const char* name;
        std::optional<std::uint32_t> machine, user;
        bool readOnly;
        std::int16_t shown;
        const wchar_t* note;  // nullptr: the box is free
    };
    for (const Case& c : {Case{"machine's 0", 0u, std::nullopt, false, 0, L"Set by your organisation"},
                          Case{"user's 0", std::nullopt, 0u, false, 0, L"Set by your organisation"},
                          Case{"machine's 1 over user's 0", 1u, 0u, true, 1, L"Set by your organisation"},
                          Case{"out of range", 5u, std::nullopt, false, 0, nullptr},
                          Case{"read-only file", std::nullopt, std::nullopt, true, 0, L"Only an administrator can change this"},
                          Case{"free", std::nullopt, std::nullopt, false, 0, nullptr}}) {
        fakes::FakePlatform g;
        Form1 dialog{g.platform};
        g.SetSetting(L"sound", L"0");
        if (c.machine) g.policies.numbers[{PolicyRoot::Machine, L"Sound"}] = *c.machine;
        if (c.user) g.policies.numbers[{PolicyRoot::User, L"Sound"}] = *c.user;
        if (c.readOnly) g.profile.readOnly.insert(g.SettingsFile());
        dialog.ConfigBranch();
        EXPECT_EQ(g.window.check, c.shown) << c.name;
        EXPECT_EQ(g.window.disabled.count(platform::Control::Check1), c.note ? 1u : 0u) << c.name;
        EXPECT_EQ(g.window.texts[platform::Control::Label5], c.note ? c.note : L"") << c.name;
        g.window.check = 1;
        EXPECT_THROW(dialog.CmdOK_Click(), fakes::ProgramEnded) << c.name;
        EXPECT_EQ(g.profile.files[g.SettingsFile()][L"config/sound"], c.note ? L"0" : L"1") << c.name;
    }
}
