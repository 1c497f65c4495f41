#pragma once
// Form1's own window, and the user32 calls made on other windows' handles.
#include <cstdint>
#include <string>

#include "platform/wake_up.h"

namespace platform {

// Form1's controls, in the order they are created.
enum class Control { CmdOK, CmdCancel, Check1, Mp3, Label4, Label2, Label3, Label1, Image1, Label5 };

// What the window reports to Form1.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void OnKeyPress() = 0;    // a key that produced a character
    virtual void OnMouseDown() = 0;   // any button
    virtual void OnMouseMove() = 0;
    virtual void OnUnload() = 0;      // a close request of the window system
    virtual void OnClick(Control control) = 0;
    // The desktop's monitors changed: one came, went, moved or changed its mode.
    virtual void OnDisplayChange() {}
};

class FormWindow {
public:
    virtual ~FormWindow() = default;
    // Creates the window hidden, borderless, with all its controls.
    virtual void Create(FormEvents& events) = 0;
    virtual std::intptr_t Handle() = 0;
    virtual void Show() = 0;  // modeless, no owner
    virtual void SetNormalState() = 0;
    // Above every window that is not itself always on top, taskbars included.
    virtual void StayOnTop() = 0;
    // Placement in pixels of the screen; the window has no border in saver mode.
    virtual void SetTop(int top) = 0;
    virtual void SetLeft(int left) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    virtual int ClientWidth() = 0;
    virtual int ClientHeight() = 0;
    // Image1's picture as the background, at its own size from the top-left corner.
    virtual void ShowPreviewPicture() = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual void SetFixedDialogBorder() = 0;
    virtual void ShowControl(Control control) = 0;
    virtual void HideControl(Control control) = 0;
    // Greyed: it takes no click and no focus.
    virtual void DisableControl(Control control) = 0;
    virtual void SetControlText(Control control, const std::wstring& text) = 0;
    virtual std::int16_t CheckState() = 0;
    virtual void SetCheckState(std::int16_t state) = 0;
    // A message box owned by the window, waiting for the user.
    virtual void ShowMessage(const std::wstring& text) = 0;
    // Processes every waiting window message and device notification.
    virtual void DoEvents() = 0;
    // Sleeps until input arrives (message or device notification), also has
    // news (when given), or the time is up.
    virtual void WaitForInput(int milliseconds, WakeUp* also) = 0;
};

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

constexpr int GWL_STYLE_ = -16;
constexpr int GWL_HWNDPARENT_ = -8;
constexpr std::uint32_t WS_CHILD_ = 0x40000000;
constexpr std::uint32_t SWP_PREVIEW_FLAGS = 0x54;  // SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW

// user32 calls on any window handle; results are not checked by the product.
class WindowApi {
public:
    virtual ~WindowApi() = default;
    virtual bool IsWindow(std::intptr_t window) = 0;
    virtual void GetClientRect(std::intptr_t window, Rect& rect) = 0;
    virtual std::int32_t GetWindowLong(std::intptr_t window, int index) = 0;
    virtual std::int32_t SetWindowLong(std::intptr_t window, int index, std::int32_t value) = 0;
    virtual void SetParent(std::intptr_t window, std::intptr_t parent) = 0;
    virtual void SetWindowPos(std::intptr_t window, std::intptr_t insertAfter, int x, int y,
                              int width, int height, std::uint32_t flags) = 0;
};

}  // namespace platform
