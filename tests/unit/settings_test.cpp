#include "fake_platform.h"
#include "settings/ini.h"

#include <cwctype>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

class SettingsTest : public ::testing::Test {
protected:
    fakes::CallLog log;
    fakes::FakeProfile profile{log};
    fakes::FakeProcess process{log};
    const std::wstring file = L"C:\\Saver\\Trevlin.ini";

    std::wstring Read(const std::wstring& key, const std::wstring& def) {
        return ini::ReadIni(profile, file, L"config", key, def);
    }
};

TEST_F(SettingsTest, TheFileSitsBesideTheProgram) {
    process.folder = L"C:\\Program Files\\Trevlin";
    EXPECT_EQ(ini::SettingsFile(process), L"C:\\Program Files\\Trevlin\\Trevlin.ini");
}

TEST_F(SettingsTest, ReadsOfferTheProfileCall255Characters) {
    Read(L"sound", L"1");
    EXPECT_THAT(log.calls, ElementsAre("Profile.GetString(config,sound,1,C:\\Saver\\Trevlin.ini,255)"));
}

TEST_F(SettingsTest, MissingValuesReadAsTheirDefaults) {
    EXPECT_EQ(Read(L"sound", L"1"), L"1");
    EXPECT_EQ(Read(L"path", L""), L"");
    profile.Set(file, L"sound", L"0");
    EXPECT_EQ(Read(L"sound", L"1"), L"0");
    EXPECT_EQ(Read(L"path", L""), L"");
}

TEST_F(SettingsTest, LongValuesAndDefaultsComeBackAs254Characters) {
    const std::wstring longValue(300, L'x');
    profile.Set(file, L"path", longValue);
    EXPECT_EQ(Read(L"path", L""), longValue.substr(0, 254));
    EXPECT_EQ(Read(L"missing", longValue), longValue.substr(0, 254));
    profile.Set(file, L"path", std::wstring(254, L'y'));
    EXPECT_EQ(Read(L"path", L"").size(), 254u);
}

TEST_F(SettingsTest, ValuesKeepTheirSpacesAndOtherCharacters) {
    profile.Set(file, L"path", L"D:\\Media Files\\\u00e9t\u00e9\\");
    EXPECT_EQ(Read(L"path", L""), L"D:\\Media Files\\\u00e9t\u00e9\\");
}

TEST_F(SettingsTest, WritesTurnLineBreaksIntoSpacesOneForOne) {
    EXPECT_TRUE(ini::WriteIni(profile, file, L"config", L"sound", L"a\r\nb\rc\nd"));
    EXPECT_THAT(log.calls, ElementsAre("Profile.WriteString(config,sound,a  b c d,C:\\Saver\\Trevlin.ini)"));
}

TEST_F(SettingsTest, WritesOfAnyLengthReachTheFile) {
    const std::wstring huge(40000, L'z');
    EXPECT_TRUE(ini::WriteIni(profile, file, L"config", L"note", huge));
    EXPECT_EQ(profile.files[file][L"config/note"], huge);
}

TEST_F(SettingsTest, AFailedWriteIsReported) {
    profile.writesFail = true;
    EXPECT_FALSE(ini::WriteIni(profile, file, L"config", L"sound", L"1"));
}

// What the saver reads for a key, given the file's value and the policies' values.
TEST(PolicyTest, AValidPolicyOverTheFileTheMachinesFirst) {
    using platform::PolicyRoot;
    const PolicyRoot M = PolicyRoot::Machine, U = PolicyRoot::User;
    struct Case {
        const char* name;
        std::wstring key, file;
        std::vector<std::pair<PolicyRoot, std::uint32_t>> numbers;
        std::vector<std::pair<PolicyRoot, std::wstring>> texts;
        std::wstring read;
    };
    const std::vector<Case> cases = {
        {"no policy: the file", L"sound", L"1", {}, {}, L"1"},
        {"machine's Sound", L"sound", L"1", {{M, 0}}, {}, L"0"},
        {"user's Sound", L"sound", L"0", {{U, 1}}, {}, L"1"},
        {"machine wins", L"sound", L"1", {{M, 0}, {U, 1}}, {}, L"0"},
        {"out of range: next", L"sound", L"1", {{M, 2}, {U, 0}}, {}, L"0"},
        {"out of range: the file", L"sound", L"0", {{M, 7}}, {}, L"0"},
        {"text Sound is no value", L"sound", L"1", {}, {{M, L"banana"}, {U, L"0"}}, L"1"},
        {"machine's Monitors", L"monitors", L"all", {}, {{M, L" Primary "}}, L"primary"},
        {"span taken", L"monitors", L"all", {}, {{U, L"span"}}, L"span"},
        {"unknown Monitors: next", L"monitors", L"all", {}, {{M, L"left"}, {U, L"primary"}}, L"primary"},
        {"number Monitors is no value", L"monitors", L"all", {{M, 1}}, {}, L"all"},
        {"path has no policy", L"path", L"D:\\", {}, {{M, L"C:\\"}}, L"D:\\"},
    };
    for (const Case& c : cases) {
        fakes::FakePlatform f;
        f.SetSetting(c.key, c.file);
        // The value names the registry holds: the file's key with a capital.
        const std::wstring name = static_cast<wchar_t>(std::towupper(c.key[0])) + c.key.substr(1);
        for (const auto& [root, value] : c.numbers) f.policies.numbers[{root, name}] = value;
        for (const auto& [root, value] : c.texts) f.policies.texts[{root, name}] = value;
        EXPECT_EQ(ini::ReadSetting(f.platform, c.key, L"?"), c.read) << c.name;
    }
}
