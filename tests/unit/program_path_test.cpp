#include "startup/program_path.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The file system as the running program sees it: the paths that name its
// own file, and every path it was asked about.
struct Files {
    std::set<std::wstring> self;
    std::vector<std::wstring> asked;
    startup::NamesThisProgram Names() {
        return [this](const std::wstring& path) {
            asked.push_back(path);
            return self.count(path) > 0;
        };
    }
};

std::wstring Split(Files& files, const std::wstring& line) {
    return startup::ArgumentsAfterProgram(line, files.Names());
}

TEST(ArgumentsAfterProgram, AnUnquotedLongPathWithBlanksKeepsItsSwitch) {
    Files files{{L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Trevlin\\Trevlin.scr"}, {}};
    EXPECT_EQ(Split(files, L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Trevlin\\Trevlin.scr /s"), L"/s");
    EXPECT_EQ(Split(files, L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Trevlin\\Trevlin.scr /p 1234"),
              L"/p 1234");
    EXPECT_EQ(Split(files, L"C:\\Users\\Ann Lee\\AppData\\Local\\Programs\\Trevlin\\Trevlin.scr"), L"");
    // Two blanks in a row inside the folder's name, and a tab before the switch.
    files.self = {L"D:\\A  B\\Trevlin.scr"};
    EXPECT_EQ(Split(files, L"D:\\A  B\\Trevlin.scr\t/c:42"), L"/c:42");
}

TEST(ArgumentsAfterProgram, TheLongestPathThatNamesThisProgramWins) {
    // "C:\Saver" could be a file of that name too; the system started the longer one.
    Files files{{L"C:\\Saver", L"C:\\Saver dir\\Trevlin.scr"}, {}};
    EXPECT_EQ(Split(files, L"C:\\Saver dir\\Trevlin.scr /s"), L"/s");
}

TEST(ArgumentsAfterProgram, WithoutABlankInThePathTheFirstBlankEndsIt) {
    Files files;
    EXPECT_EQ(Split(files, L"C:\\PROGRA~1\\ANNLEE~1\\Trevlin.scr /s"), L"/s");
    EXPECT_EQ(Split(files, L"Trevlin.scr"), L"");
    EXPECT_EQ(Split(files, L""), L"");
    // Asked only about the longer runs ending at a blank or the end; the
    // first run is the answer anyway.
    files.asked.clear();
    EXPECT_EQ(Split(files, L"C:\\PROGRA~1\\Trevlin.scr /s"), L"/s");
    EXPECT_EQ(files.asked, std::vector<std::wstring>{L"C:\\PROGRA~1\\Trevlin.scr /s"});
}

TEST(ArgumentsAfterProgram, APathThatNamesNothingEndsAtItsFirstBlank) {
    Files files;
    EXPECT_EQ(Split(files, L"C:\\Users\\Ann Lee\\Trevlin.scr /s"), L"Lee\\Trevlin.scr /s");
    EXPECT_EQ(Split(files, L"Trevlin.scr  /s "), L" /s ");  // one blank goes, the rest is the switch's
}

TEST(ArgumentsAfterProgram, AQuotedPathEndsAtItsQuoteWithoutAsking) {
    Files files;
    EXPECT_EQ(Split(files, L"\"C:\\Users\\Ann Lee\\Trevlin.scr\" /s"), L"/s");
    EXPECT_EQ(Split(files, L"\"C:\\Users\\Ann Lee\\Trevlin.scr\"/s"), L"/s");
    EXPECT_EQ(Split(files, L"\"C:\\unterminated /s"), L"");
    EXPECT_TRUE(files.asked.empty());
}

}  // namespace
