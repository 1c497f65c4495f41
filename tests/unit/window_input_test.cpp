#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class WindowInputTest : public FormTest {};

TEST_F(WindowInputTest, AKeyOrAClickEndsTheSaver) {
    EXPECT_THROW(form.Form_KeyPress(), fakes::ProgramEnded);
    EXPECT_THROW(form.Form_MouseDown(), fakes::ProgramEnded);
}

TEST_F(WindowInputTest, TheSixthMouseMoveEndsTheSaver) {
    for (int i = 0; i < 5; ++i) EXPECT_NO_THROW(form.Form_MouseMove());
    EXPECT_EQ(form.MoveCount, 5);
    EXPECT_THROW(form.Form_MouseMove(), fakes::ProgramEnded);
    EXPECT_EQ(form.MoveCount, 6);
}

TEST_F(WindowInputTest, PreviewAndDialogIgnoreWindowInput) {
    for (bool preview : {true, false}) {
        SetMode(preview, !preview);
        form.Form_KeyPress();
        form.Form_MouseDown();
        for (int i = 0; i < 20; ++i) form.Form_MouseMove();
        EXPECT_EQ(form.MoveCount, 0);
    }
    EXPECT_THAT(f.log.calls, IsEmpty());
}

TEST_F(WindowInputTest, UnloadShowsTheCursorAndReleasesTheVideo) {
    SetMode(false, true);
    form.Form_Unload();  // nothing to release in the dialog
    EXPECT_THAT(f.log.calls, ElementsAre("ShowCursor(TRUE)"));
    EXPECT_EQ(f.cursor.count, 1);
}
