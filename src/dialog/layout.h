#pragma once
// Form1 and its controls as loaded, before any run mode changes them.
// Positions and sizes are in twips of the client area.
#include <array>
#include <optional>
#include <string>

#include "platform/window.h"

namespace layout {

enum class Kind { CommandButton, CheckBox, MediaPlayer, Label, Image };

struct Font {
    std::wstring face;
    int hundredthsOfPoint;  // 1200 is 12 pt
    bool underline;
    int weight;
    int charset;
};

struct ControlSpec {
    platform::Control id;
    Kind kind;
    std::wstring caption;
    int left, top, width, height;
    std::optional<Font> font;  // none: the platform's default dialog font
    bool visible;
    int tabIndex;  // -1: not in the tab order
    bool link;     // pure blue text and the pointing-hand cursor
};

constexpr int kClientWidth = 5145;
constexpr int kClientHeight = 3150;
constexpr int kBlue = 0xFF0000;  // COLORREF of pure blue

// In the order the controls are created.
const std::array<ControlSpec, 10>& Controls();
const ControlSpec& Find(platform::Control id);

// Twips to pixels at the window's DPI: 15 twips to the pixel at 96 DPI.
int TwipsToPixels(int twips, int dpi);

}  // namespace layout
