#include "dialog/layout.h"
#include "dialog/links.h"

#include <gtest/gtest.h>

using platform::Control;

TEST(Layout, ClientAreaIs343By210PixelsAt96Dpi) {
    EXPECT_EQ(layout::TwipsToPixels(layout::kClientWidth, 96), 343);
    EXPECT_EQ(layout::TwipsToPixels(layout::kClientHeight, 96), 210);
}

TEST(Layout, ControlsInPixelsAt96And120Dpi) {
    struct Case {
        Control id;
        int x96, y96, w96, h96;
        int x120, y120, w120, h120;
    };
    for (const Case& c : {Case{Control::CmdOK, 256, 168, 81, 33, 320, 210, 101, 41},
                          Case{Control::CmdCancel, 168, 168, 81, 33, 210, 210, 101, 41},
                          Case{Control::Check1, 16, 144, 81, 25, 20, 180, 101, 31},
                          Case{Control::Label4, 15, 112, 313, 33, 19, 140, 391, 41},
                          Case{Control::Label3, 67, 48, 209, 25, 84, 60, 261, 31}}) {
        const layout::ControlSpec& s = layout::Find(c.id);
        EXPECT_EQ(layout::TwipsToPixels(s.left, 96), c.x96);
        EXPECT_EQ(layout::TwipsToPixels(s.top, 96), c.y96);
        EXPECT_EQ(layout::TwipsToPixels(s.width, 96), c.w96);
        EXPECT_EQ(layout::TwipsToPixels(s.height, 96), c.h96);
        EXPECT_EQ(layout::TwipsToPixels(s.left, 120), c.x120);
        EXPECT_EQ(layout::TwipsToPixels(s.top, 120), c.y120);
        EXPECT_EQ(layout::TwipsToPixels(s.width, 120), c.w120);
        EXPECT_EQ(layout::TwipsToPixels(s.height, 120), c.h120);
    }
}

TEST(Layout, OnlyTheCodecLinkIsVisibleAsLoaded) {
    for (const layout::ControlSpec& s : layout::Controls())
        EXPECT_EQ(s.visible, s.id == Control::Label4) << static_cast<int>(s.id);
}

TEST(Layout, TheLinksShowTheAddressesTheyOpen) {
    EXPECT_EQ(layout::Find(Control::Label4).caption, links::kCodecPage);
    EXPECT_EQ(layout::Find(Control::Label3).caption, links::kMakerSite);
    EXPECT_EQ(links::kCodecPage.substr(links::kCodecPage.size() - 22), L"/download/windows.html");
    EXPECT_NE(links::kMakerSite.back(), L'/');
    EXPECT_TRUE(layout::Find(Control::Label3).link && layout::Find(Control::Label4).link);
    EXPECT_EQ(layout::Find(Control::Label4).font->charset, 178);
}

TEST(Layout, FocusMovesAmongCheckBoxCancelAndOkInThatOrder) {
    std::vector<Control> focusable;
    for (int tab = 0; tab < 9; ++tab)
        for (const layout::ControlSpec& s : layout::Controls())
            if (s.tabIndex == tab && (s.kind == layout::Kind::CommandButton || s.kind == layout::Kind::CheckBox))
                focusable.push_back(s.id);
    EXPECT_EQ(focusable, (std::vector<Control>{Control::Check1, Control::CmdCancel, Control::CmdOK}));
}
