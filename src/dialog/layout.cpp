#include "dialog/layout.h"

#include "dialog/links.h"

namespace layout {

using platform::Control;

const std::array<ControlSpec, 10>& Controls() {
    static const Font arial12{L"Arial", 1200, false, 400, 0};
    static const Font arial1125{L"Arial", 1125, false, 400, 0};
    static const std::array<ControlSpec, 10> controls{{
        {Control::CmdOK, Kind::CommandButton, L"OK", 3840, 2520, 1215, 495, std::nullopt, false, 3, false},
        {Control::CmdCancel, Kind::CommandButton, L"Cancel", 2520, 2520, 1215, 495, std::nullopt, false, 2, false},
        {Control::Check1, Kind::CheckBox, L"Play sound", 240, 2160, 1215, 375, std::nullopt, false, 1, false},
        {Control::Mp3, Kind::MediaPlayer, L"", 0, 0, 4500, 3000, std::nullopt, false, 7, false},
        {Control::Label4, Kind::Label, links::kCodecPage, 225, 1680, 4695, 495,
         Font{L"Arial", 1200, true, 400, 178}, true, 6, true},
        {Control::Label2, Kind::Label, L"Download FREE screensavers from:", 600, 240, 3855, 495, arial12, false, 5, false},
        {Control::Label3, Kind::Label, links::kMakerSite, 1005, 720, 3135, 375,
         Font{L"Arial", 1125, true, 400, 0}, false, 4, true},
        {Control::Label1, Kind::Label, L"Download latest codec from:", 120, 1320, 3015, 375, arial1125, false, 0, false},
        {Control::Image1, Kind::Image, L"", 120, 480, 2295, 1725, std::nullopt, false, -1, false},
        // Beside the check box, why it cannot be changed here, when it cannot.
        {Control::Label5, Kind::Label, L"", 1500, 2220, 3420, 300, std::nullopt, false, -1, false},
    }};
    return controls;
}

const ControlSpec& Find(platform::Control id) {
    for (const ControlSpec& c : Controls())
        if (c.id == id) return c;
    return Controls().front();
}

int TwipsToPixels(int twips, int dpi) {
    // Rounded to the nearest pixel, as MulDiv does.
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>((scaled + (scaled >= 0 ? 720 : -720)) / 1440);
}

}  // namespace layout
