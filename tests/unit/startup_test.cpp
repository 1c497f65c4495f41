#include "platform/error.h"
#include "startup/main.h"
#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(SwitchText, TrimsOnlySpacesAndUpperCases) {
    EXPECT_EQ(ini::SwitchText(L"  /s  "), L"/S");
    EXPECT_EQ(ini::SwitchText(L"/c:123"), L"/C:123");
    EXPECT_EQ(ini::SwitchText(L"\t/s"), L"\t/S");  // a tab is not a blank here
    EXPECT_EQ(ini::SwitchText(L""), L"");
    EXPECT_EQ(ini::SwitchText(L"   "), L"");
}

TEST(HostHandle, DropsTheThirdCharacterWhateverItIs) {
    EXPECT_EQ(ini::HostHandle(L"/P 123"), 123);
    EXPECT_EQ(ini::HostHandle(L"/P:123"), 123);
    EXPECT_EQ(ini::HostHandle(L"/P123"), 23);
    EXPECT_EQ(ini::HostHandle(L"/P  123"), 123);
    EXPECT_EQ(ini::HostHandle(L"/P -42 "), -42);
    EXPECT_EQ(ini::HostHandle(L"/P 2147483647"), 2147483647);
}

TEST(HostHandle, RaisesTheConversionErrors) {
    struct Case {
        const wchar_t* text;
        std::int32_t number;
    };
    for (const Case& c : {Case{L"/P", 5}, Case{L"/PX", 13}, Case{L"/P abc", 13}, Case{L"/P 12x", 13},
                          Case{L"/P 2147483648", 6}, Case{L"/P -2147483649", 6}}) {
        try {
            ini::HostHandle(c.text);
            ADD_FAILURE() << fakes::Narrow(c.text) << " converted";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number, c.number) << fakes::Narrow(c.text);
            EXPECT_FALSE(e.description.empty());
        }
    }
}

class MainTest : public FormTest {
protected:
    void RunMain(const std::wstring& arguments) {
        f.process.commandLine = arguments;
        ini::Main(f.platform, form);
    }
};

TEST_F(MainTest, SaverSwitchesLoadTheSaver) {
    for (const wchar_t* args : {L"/s", L"/S", L"/SAVE", L"  /s  "}) {
        f.log.Clear();
        SetMode(true, true);
        EndAtPass(1);
        EXPECT_THROW(RunMain(args), fakes::ProgramEnded);
        EXPECT_FALSE(PreviewMode);
        EXPECT_FALSE(ConfigMode);
        EXPECT_EQ(f.log.calls.front(), "Window.Create()") << fakes::Narrow(args);
        EXPECT_THAT(f.log.Named("ShowCursor"), ElementsAre("ShowCursor(FALSE)"));
    }
}

TEST_F(MainTest, ConfigSwitchesLoadTheDialogAndShowIt) {
    for (const wchar_t* args : {L"/c", L"/C:123", L"/configure"}) {
        f.log.Clear();
        RunMain(args);
        EXPECT_FALSE(PreviewMode);
        EXPECT_TRUE(ConfigMode);
        EXPECT_EQ(f.log.calls.front(), "Window.Create()");
        EXPECT_EQ(f.log.calls.back(), "Window.Show()") << fakes::Narrow(args);
    }
}

TEST_F(MainTest, OtherSwitchesEndAtOnceWithoutAWindow) {
    for (const wchar_t* args : {L"", L"-s", L"s", L"/x", L"   ", L"S/"}) {
        f.log.Clear();
        EXPECT_THROW(RunMain(args), fakes::ProgramEnded) << fakes::Narrow(args);
        EXPECT_THAT(f.log.calls, ElementsAre("End()"));
    }
}

TEST_F(MainTest, PreviewEmbedsTheLoadedWindowInTheHost) {
    RunMain(L"/p 123");
    EXPECT_TRUE(PreviewMode);
    EXPECT_FALSE(ConfigMode);
    EXPECT_THAT(f.log.Named("Window.Show"), ElementsAre("Window.ShowPreviewPicture()"));
    const auto& calls = f.log.calls;
    auto first = std::find(calls.begin(), calls.end(), "GetClientRect(123)");
    ASSERT_NE(first, calls.end());
    EXPECT_THAT(std::vector<std::string>(first, calls.end()),
                ElementsAre("GetClientRect(123)", "GetWindowLong(4660,-16)", "SetWindowLong(4660,-16,0x46000000)",
                            "SetParent(4660,123)", "SetWindowLong(4660,-8,123)",
                            "SetWindowPos(4660,0,0,0,200,150,0x54)"));
}

TEST_F(MainTest, PreviewWithABadHandleRaisesBeforeTheWindowIsLoaded) {
    for (const wchar_t* args : {L"/P", L"/PX", L"/P abc", L"/P 99999999999"}) {
        f.log.Clear();
        SetMode(false, false);
        EXPECT_THROW(RunMain(args), platform::Error) << fakes::Narrow(args);
        EXPECT_TRUE(PreviewMode);  // set before the conversion
        EXPECT_THAT(f.log.Named("Window"), IsEmpty());
    }
}

TEST_F(MainTest, PreviewOfANonWindowEndsWithoutAWindow) {
    f.windows.hostExists = false;
    EXPECT_THROW(RunMain(L"/p 99999"), fakes::ProgramEnded);
    EXPECT_THAT(f.log.calls, ElementsAre("IsWindow(99999)", "End()"));
}
